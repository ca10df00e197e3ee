#pragma once
// The sound library's layout: which file holds which string's note, and how
// every path into the library is formed (plain concatenation).

#include <array>
#include <string>
#include <string_view>

namespace tarvisk {

// Note file by string index, highest string first. "H" is the German B.
inline constexpr std::array<std::string_view, 6> NoteFiles = {
    "E2.wav", "H.wav", "G.wav", "D.wav", "A.wav", "E.wav",
};

inline constexpr std::string_view kTunesFolder = "Tunes\\";
inline constexpr std::string_view kResetFile = "reset.wav";
inline constexpr std::string_view kChordFile = "Chord.wav";

// TunesDir + SoundSet + NoteFiles[index]; index must be 0 to 5.
std::string NotePath(const std::string& tunes_dir, const std::string& sound_set, int index);

std::string ChordPath(const std::string& tunes_dir);

} // namespace tarvisk
