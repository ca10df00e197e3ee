#include "window/screen_reader.h"

#include <array>
#include <string_view>

namespace tarvisk {

namespace {

// Strings by number and place only: a set may tune a string to any note.
constexpr std::array<std::string_view, 6> kStringNames = {
    "1st string (highest)", "2nd string", "3rd string", "4th string", "5th string", "6th string (lowest)",
};

} // namespace

tk::Description StringDescription(int index)
{
    return {.role = tk::Role::Picture,
            .name = std::string(kStringNames.at(static_cast<std::size_t>(index))),
            .description = "A click plays this string's note"};
}

tk::Description LoopDescription(std::int16_t loop_mode)
{
    return {.role = tk::Role::CheckBox,
            .name = "Loop",
            .description = "A click switches repeating notes on or off",
            .checked = loop_mode == 1};
}

} // namespace tarvisk
