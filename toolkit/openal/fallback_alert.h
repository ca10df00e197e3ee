#pragma once
// The short alert that sounds in place of a file that cannot be played,
// made in memory so it needs nothing on disk.

#include <cstdint>
#include <vector>

namespace tk::openal {

inline constexpr double kFallbackAlertHz = 880.0;
inline constexpr double kFallbackAlertSeconds = 0.25;

// Interleaved 16-bit stereo at `rate`.
std::vector<std::int16_t> MakeFallbackAlert(int rate);

} // namespace tk::openal
