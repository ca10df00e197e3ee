#pragma once
// Recorded notes brought onto exact pitch. A note rendered from the
// soundfont is as far off as the recording it came from, so it is measured,
// resampled by the ratio that brings it onto its note, and measured again,
// until it lies within kExactCents.

#include "tools/tunes/soundfont.h"

#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarvisk::tunes {

inline constexpr double kExactCents = 0.01;

// A note file is this long and fades to silence over its last part, so a
// loop ends quietly and strikes the note again.
inline constexpr double kNoteSeconds = 4.0;
inline constexpr double kNoteFade = 0.3;

// `frames` frames of `x` resampled by `ratio` (output rate over input rate)
// with libsamplerate; silent where the input has run out.
std::vector<float> Resample(std::span<const float> x, double ratio, std::size_t frames);

// A sound file from a recording: `seconds` long, rising from silence over its
// first millisecond and falling back to it over the last `fade` seconds,
// peaking at 0.6, in the 16-bit samples it is written with.
std::vector<float> FinishSound(std::span<const float> x, double seconds, double fade);

struct TunedNote {
    std::vector<float> samples; // the finished note, as written
    double ratio = 1.0;         // the recording was resampled by this
    double cents = 0.0;         // the finished note's measured deviation
    int tries = 0;
};

// Resamples `recording` until its finished note measures within
// kExactCents of `hz`; empty with a reason when it has no clear pitch there
// or does not settle.
std::optional<TunedNote> TuneNote(std::span<const float> recording, double hz, std::string& error);

// The recorded notes of one library: each rendered and tuned once, however
// many sets and the chord share it.
class RecordedNotes {
public:
    explicit RecordedNotes(SoundFont& font) : font_(font) {}

    // The note of General MIDI program `program` at `hz`, from the recorded
    // note nearest to it; null, with the reason in `log`, when it fails.
    const TunedNote* Note(int program, double hz, std::ostream& log);

    // The open strings (lowest first) struck from the lowest up, `gap`
    // seconds apart, as in a strum, each string on its exact pitch.
    std::optional<std::vector<float>> Strum(int program, const std::vector<double>& hz, double gap,
                                            std::ostream& log);

private:
    struct Entry {
        std::vector<float> recording;
        TunedNote note;
    };
    const Entry* Find(int program, double hz, std::ostream& log);

    SoundFont& font_;
    std::map<std::pair<int, double>, Entry> notes_;
};

} // namespace tarvisk::tunes
