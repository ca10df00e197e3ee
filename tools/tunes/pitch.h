#pragma once
// Pitch of a recorded note: a coarse period from the YIN difference function,
// then refined from how the phases of the first four partials advance, each
// divided by its number and weighted by its loudness, over the part of the
// note after the attack. On a steady tone of a second or more this is good
// to a few thousandths of a cent; on a recorded string it is the loudness-
// weighted mean of a pitch that moves by a few cents as the note rings.

#include <optional>
#include <span>

namespace tarvisk::tunes {

struct PitchRange {
    double min_hz = 30.0;
    double max_hz = 2000.0;
};

// Empty for silence, noise or a sound too short to hold a few periods.
std::optional<double> MeasurePitch(std::span<const float> mono, double rate, PitchRange range = {});

// The pitch of a note meant to be `hz`, looked for within half an octave of
// it, where a strong second harmonic cannot pass for the fundamental.
std::optional<double> MeasureNote(std::span<const float> mono, double rate, double hz);

} // namespace tarvisk::tunes
