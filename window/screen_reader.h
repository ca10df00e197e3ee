#pragma once
// What a screen reader is told of the tuner's controls: the pegs by string,
// and the loop toggle as a check box whose state is loop mode itself.

#include "toolkit/accessible.h"

#include <cstdint>

namespace tarvisk {

// Peg i, string index 0 (highest) to 5 (lowest).
tk::Description StringDescription(int index);

tk::Description LoopDescription(std::int16_t loop_mode);

} // namespace tarvisk
