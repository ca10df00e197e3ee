#pragma once
// Making and checking a sound library: reset.wav and Chord.wav in its
// folder, and one sub-folder of six note files per sound set.

#include "tools/tunes/default_sets.h"
#include "tools/tunes/notes.h"
#include "tools/tunes/soundfont.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace tarvisk::tunes {

// One set of one's own, in the acoustic sound.
struct ExtraSet {
    std::string name;
    Tuning tuning = kStandardTuning;
};

struct GenerateOptions {
    double a4_hz = 440.0;
    // With a set, only that set's folder is written; without, the whole
    // default library.
    std::optional<ExtraSet> set;
    // The recorded guitars come from here.
    std::filesystem::path soundfont = kFluidR3Path;
    // What the library holds of the same names is replaced; without, it
    // stays and nothing is written.
    bool replace = false;
};

// Concert pitch from Baroque (415) to the high old organs (466).
inline constexpr double kMinA4 = 415.0;
inline constexpr double kMaxA4 = 466.0;

// The note of the string whose file is NoteFiles[index] (highest first).
int StringNote(const Tuning& tuning, std::size_t index);

// The tuning of a default set by its folder name.
std::optional<Tuning> DefaultSetTuning(std::string_view name);

// A name that lists as a set on every platform and can be a folder there:
// ASCII letters, digits and inner spaces.
bool IsSetName(std::string_view name);

// Writes the library into `out` (created as needed), each set whole or not
// at all (set_folder.h); failures go to `log`. False when `out` holds a set or
// file of the same name and `options.replace` is not given, or the soundfont
// cannot be loaded (then nothing is written), or a note could not be made or
// written.
bool GenerateLibrary(const std::filesystem::path& out, const GenerateOptions& options, std::ostream& log);

// Reports every file of the library, the loudness of the chord and of each
// note (loudness.h), and each note's track through time (track.h): for the
// default sets against its string in that set's tuning, otherwise against
// the nearest note. False when a file is missing or unreadable, the chord or
// any note is not at the library's loudness, or a default set's note strays
// beyond kWorstWindowCents in a window or kMedianCents in the median.
bool CheckLibrary(const std::filesystem::path& dir, double a4_hz, std::ostream& report);

} // namespace tarvisk::tunes
