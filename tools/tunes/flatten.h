#pragma once
// A recorded note held on its pitch from the pick to the fade. A plucked
// string starts sharp and glides, and its partials beat, so no one ratio
// puts it on its note: its pitch is followed in 40 ms windows every 10 ms
// (YIN's difference function, as the tuner's windows, only shorter, to
// follow the glide after the pick) and the recording is resampled with a
// ratio that moves with it (libsamplerate's callback converter, the ratio
// set every 64 samples). The pick, the body and the decay are the
// recording's own; only their timing stretches with the pitch. The finished
// note is followed again in the tuner's windows and what they still read is
// taken out.

#include "tools/tunes/track.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvisk::tunes {

// A note file is at most this long and fades to silence over its last
// part, so a loop ends quietly and strikes the note again.
inline constexpr double kNoteSeconds = 4.0;
inline constexpr double kNoteFade = 1.0;

// A sound file from a recording: `seconds` long, rising from silence over its
// first millisecond and falling back to it over the last `fade` seconds,
// at the library's loudness (loudness.h), in the 16-bit samples it is
// written with.
std::vector<float> FinishSound(std::span<const float> x, double seconds, double fade);

// How far a recording is from its note through time: cents at moments of
// the recording, straight between them and held before the first and after
// the last.
struct PitchCurve {
    std::vector<double> seconds;
    std::vector<double> cents;
    double At(double at) const;
};

// `frames` frames at kRate from `x`, recorded at `rate`, each moment read at
// the speed that brings it from `curve` onto its note; silent where the
// recording has run out.
std::vector<float> ResampleAlong(std::span<const float> x, double rate, const PitchCurve& curve,
                                 std::size_t frames);

struct FlatNote {
    std::vector<float> samples; // the finished note, as written
    PitchCurve curve;           // the recording's pitch, which was taken out
};

// The recording at `rate`, trimmed to start at its pick, brought onto `hz`
// and finished as a note file of `seconds` (at most kNoteSeconds). Empty with
// a reason when it has no clear pitch near `hz`, or does not settle within
// the bounds of pitch and loudness that `check` holds the library to.
std::optional<FlatNote> FlattenNote(std::span<const float> recording, double rate, double hz, double seconds,
                                    std::string& error);

} // namespace tarvisk::tunes
