#pragma once
// The Tuner window's description: its frame and its controls in creation
// order, with their rectangles in client pixels.

#include "toolkit/form_design.h"

namespace tarvisk {

// Controls by their place in the creation order.
namespace ctl {
inline constexpr tk::ControlId SoundsDir = 0;
inline constexpr tk::ControlId cboSound = 1;
inline constexpr tk::ControlId Command1 = 2;
inline constexpr tk::ControlId picAllOn = 3;
inline constexpr tk::ControlId Timer1 = 4;
inline constexpr tk::ControlId picAllOff = 5;
inline constexpr tk::ControlId Picture2 = 6;
// Picture1(5) is created first, Picture1(0) last.
constexpr tk::ControlId Picture1(int index) { return 12 - index; }
inline constexpr tk::ControlId Label1 = 13;
inline constexpr int kCount = 14;
} // namespace ctl

inline constexpr int kClientWidth = 384;
inline constexpr int kClientHeight = 550;

const tk::FormDesign& TunerFormDesign();

} // namespace tarvisk
