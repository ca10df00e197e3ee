#pragma once
// The short alert that sounds in place of a file that cannot be played,
// made in memory so it needs nothing on disk.

#include "toolkit/linux_sound/wav_decoder.h"

namespace tk::linux_sound {

inline constexpr double kFallbackAlertHz = 880.0;
inline constexpr double kFallbackAlertSeconds = 0.25;

// Mono, at `rate`.
Pcm MakeFallbackAlert(int rate);

} // namespace tk::linux_sound
