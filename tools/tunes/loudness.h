#pragma once
// How loud a sound is, as EBU R128 measures it through libebur128: its
// integrated loudness, and its true peak (the peak between the samples too,
// four times oversampled at 44.1 kHz). A mono file counts as one channel.
// The library's sounds are brought to one loudness each with one gain, so a
// guitarist moving from string to string or from set to set meets no change
// of volume: a plucked note's peak is its pick, which says little about how
// loud it sounds.

#include <optional>
#include <span>
#include <vector>

namespace tarvisk::tunes {

// The loudest level at which every note of the default library, at any
// concert pitch, stays under the true-peak ceiling: the note with the
// sharpest pick against its loudness sets it.
inline constexpr double kTargetLufs = -24.0;
inline constexpr double kLoudnessToleranceLu = 0.5;
inline constexpr double kCeilingDbtp = -1.0;

struct Loudness {
    double lufs = 0.0;           // -infinity where nothing is loud enough to measure
    double true_peak_dbtp = 0.0; // -infinity for silence
};

// Empty when the meter cannot measure at that rate (below 16 Hz or far
// above any audio rate), or runs out of memory.
std::optional<Loudness> MeasureLoudness(std::span<const float> mono, int rate);

// Within kLoudnessToleranceLu of kTargetLufs and at or under kCeilingDbtp.
bool AtLibraryLoudness(const Loudness& loudness);

// `mono` times one gain, as the 16-bit samples it is written with: the gain
// that brings it to kTargetLufs, or less where its true peak would pass the
// ceiling. What is too quiet to measure is left as it is.
std::vector<float> ToLibraryLoudness(std::span<const float> mono, int rate);

} // namespace tarvisk::tunes
