#pragma once
// Pitch of a recorded note: a coarse period from the YIN difference function,
// then refined from how the phase of the fundamental (or, when that is weak,
// of its strongest low harmonic) advances between two points far apart.
// On clean notes of a second or more this is good to a few thousandths of a
// cent.

#include <optional>
#include <span>

namespace tarvisk::tunes {

struct PitchRange {
    double min_hz = 30.0;
    double max_hz = 2000.0;
};

// Empty for silence, noise or a sound too short to hold a few periods.
std::optional<double> MeasurePitch(std::span<const float> mono, double rate, PitchRange range = {});

} // namespace tarvisk::tunes
