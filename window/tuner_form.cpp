#include "window/tuner_form.h"

#include <array>

namespace tarvisk {

namespace {

using tk::ControlKind;
using tk::ImageId;

constexpr tk::Rgb kDarkRed{128, 0, 0};
constexpr tk::Rgb kWhite{255, 255, 255};
constexpr tk::Rgb kLightGrey{192, 192, 192};
constexpr tk::Rgb kBlack{0, 0, 0};
constexpr tk::Font kBold8{8.25, true};
constexpr tk::Font kBold9{9.75, true};

constexpr tk::ControlDesign Indicator(int index, int left, int top, int width, int height, int tab)
{
    return {.name = "Picture1",
            .index = index,
            .kind = ControlKind::PictureBox,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .tab_index = tab,
            .back_color = kLightGrey};
}

// One control per row, as in a table.
// clang-format off
constexpr std::array<tk::ControlDesign, ctl::kCount> kControls = {{
    {.name = "SoundsDir", .kind = ControlKind::FolderList, .left = 1536, .top = 15, .width = 123,
     .height = 231, .tab_index = 12},
    {.name = "cboSound", .kind = ControlKind::ComboBox, .left = 21, .top = 419, .width = 82,
     .height = 21, .tab_index = 10, .text = "Acoustic", .back_color = kDarkRed,
     .fore_color = kWhite, .font = kBold8},
    {.name = "Command1", .kind = ControlKind::Button, .left = 730, .top = 0, .width = 23,
     .height = 23, .tab_index = 9, .text = "X", .back_color = kLightGrey, .fore_color = kBlack,
     .font = kBold9},
    {.name = "picAllOn", .kind = ControlKind::PictureBox, .left = 841, .top = 279, .width = 384,
     .height = 550, .tab_index = 7, .back_color = kLightGrey, .picture = ImageId::LitArtwork},
    {.name = "Timer1", .kind = ControlKind::Timer, .tab_stop = false, .enabled = false,
     .interval_ms = 1000},
    {.name = "picAllOff", .kind = ControlKind::PictureBox, .left = 690, .top = 222, .width = 384,
     .height = 550, .tab_index = 8, .back_color = kLightGrey},
    {.name = "Picture2", .kind = ControlKind::PictureBox, .left = 268, .top = 397, .width = 103,
     .height = 54, .tab_index = 6, .back_color = kLightGrey},
    Indicator(5, 5, 236, 94, 89, 5),
    Indicator(4, 4, 151, 93, 84, 4),
    Indicator(3, 4, 64, 90, 85, 3),
    Indicator(2, 277, 61, 104, 86, 2),
    Indicator(1, 275, 149, 105, 89, 1),
    Indicator(0, 270, 240, 110, 87, 0),
    {.name = "Label1", .kind = ControlKind::Label, .left = 20, .top = 402, .width = 59,
     .height = 19, .tab_index = 11, .tab_stop = false, .text = "Sound:", .fore_color = kWhite,
     .transparent = true, .font = kBold8, .labels = "cboSound"},
}};
// clang-format on

constexpr tk::FormDesign kTuner{
    .caption = "Tarvisk",
    .client_width = kClientWidth,
    .client_height = kClientHeight,
    .back_color = kLightGrey,
    .picture = ImageId::UnlitArtwork,
    .icon = ImageId::Icon,
    .controls = kControls,
};

} // namespace

const tk::FormDesign& TunerFormDesign() { return kTuner; }

} // namespace tarvisk
