#pragma once
// A set from recordings of one's own guitar: each recording trimmed to start
// at its pick, held on its string's note as the default library's notes are
// (flatten.h) and written as they are.

#include "tools/tunes/notes.h"

#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace tarvisk::tunes {

// Less than this from the pick to the end is too short to measure: a
// tuner's window 0.1 s after the pick, and room to fade.
inline constexpr double kMinImportSeconds = 0.5;

struct ImportOptions {
    std::string set; // a name IsSetName takes
    Tuning tuning = kStandardTuning;
    double a4_hz = 440.0;
    std::vector<std::filesystem::path> files; // six, lowest string first
    bool replace = false; // a set of that name in the library gives way
};

// Where a recording's note starts: where it rises from the quiet before the
// pick, at most 50 ms before its first sample at a quarter of its peak.
std::size_t PickStart(std::span<const float> x, double rate);

// Adds the set to the library `library` (made as needed), whole or not at
// all (set_folder.h). Every recording is read, brought onto its note and to
// the library's loudness before anything is written; a bad one is named in
// `log` with the reason, and then nothing is written. Nor is anything when
// the library holds a set of that name and `options.replace` is not given.
bool ImportSet(const std::filesystem::path& library, const ImportOptions& options, std::ostream& log);

} // namespace tarvisk::tunes
