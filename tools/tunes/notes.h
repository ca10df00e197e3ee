#pragma once
// Note names and equal-tempered pitches.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tarvisk::tunes {

// MIDI numbers: A4 = 69.
inline constexpr int kA4 = 69;

// "E2", "F#3", "Bb1", "H3" (German B): letter, optional # or b, octave 0..9.
std::optional<int> ParseNote(std::string_view name);

std::string NoteName(int midi);

double NoteHz(int midi, double a4_hz);

struct Nearest {
    int midi = 0;
    double cents = 0.0; // the pitch's deviation from that note
};
Nearest NearestNote(double hz, double a4_hz);

// Six notes, lowest string first.
using Tuning = std::array<int, 6>;
inline constexpr Tuning kStandardTuning = {40, 45, 50, 55, 59, 64}; // E2 A2 D3 G3 B3 E4

// Six names separated by blanks or commas.
std::optional<Tuning> ParseTuning(std::string_view text);

} // namespace tarvisk::tunes
