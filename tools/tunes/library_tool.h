#pragma once
// Making and checking a sound library: reset.wav and Chord.wav in its
// folder, and one sub-folder of six note files per sound set.

#include "tools/tunes/notes.h"

#include <array>
#include <filesystem>
#include <ostream>
#include <string_view>

namespace tarvisk::tunes {

enum class SetKind { Acoustic, Electric, PureTone };

struct SoundSetDef {
    std::string_view name;
    SetKind kind;
};

inline constexpr std::array<SoundSetDef, 3> kDefaultSets = {{
    {"Acoustic", SetKind::Acoustic},
    {"Electric", SetKind::Electric},
    {"Pure Tone", SetKind::PureTone},
}};

struct GenerateOptions {
    double a4_hz = 440.0;
    Tuning tuning = kStandardTuning;
};

inline constexpr double kMinA4 = 432.0;
inline constexpr double kMaxA4 = 446.0;

// The note of the string whose file is NoteFiles[index] (highest first).
int StringNote(const Tuning& tuning, std::size_t index);

// Writes the library into `out` (created as needed); progress and failures go
// to `log`. False when a file could not be written.
bool GenerateLibrary(const std::filesystem::path& out, const GenerateOptions& options, std::ostream& log);

// Reports every file of the library; false when one is missing or unreadable.
bool CheckLibrary(const std::filesystem::path& dir, double a4_hz, std::ostream& report);

} // namespace tarvisk::tunes
