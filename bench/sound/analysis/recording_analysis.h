#pragma once
// What a recording of the sink says about the presses made while it ran:
// whether each press brought its file and after how long, the played pitch,
// the largest sample step where one sound gives way to the next, and the
// dropouts. Its verdicts rest on what each sound is, not on the machine's
// timing: a dropout the server fills with silence is cut out of the
// recording before anything is matched or measured, and only counted.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvisk::bench {

struct Press {
    std::int64_t click_ns = 0; // just before the click was sent
    // idle (nothing sounds), long (the same, after a long rest), pitch (as
    // idle, then measured), stop (the silent reset) or any other name for a
    // press that replaces a sounding note.
    std::string kind;
    std::string path; // the file the press should bring
    // When the click surely had gone out (0: at click_ns). On a busy machine
    // starting the sender can take long: the sound may come that much later.
    std::int64_t sent_ns = 0;
};

struct Recording {
    int rate = 0;
    std::vector<float> stereo;  // interleaved left, right
    std::int64_t origin_ns = 0; // the wall time of its first frame
};

// A file's samples, mono, at its own rate.
struct Sound {
    int rate = 0;
    std::vector<float> mono;
};
using SoundLoader = std::function<const Sound*(const std::string& path)>;

struct PressResult {
    const Press* press = nullptr;
    bool heard = false;
    std::optional<double> latency_ms; // press to sound, where its start was found
    double sending_ms = 0.0;          // how long the click took to send
    double match = 0.0;               // the best normalised correlation found
    std::optional<double> cents;      // pitch presses: played against the file
};

struct Report {
    std::vector<PressResult> presses;
    int transitions = 0;          // presses that replace a sound
    int transitions_measured = 0; // of those, found in the recording
    int transitions_cut = 0;      // found, but a dropout cut where they begin
    double transition_step = 0.0; // largest step where a sound gives way
    double own_step = 0.0;        // the tones' own largest step elsewhere
    int dropouts = 0;             // runs of silence inside sounding notes
    double sounding_seconds = 0.0;
};

// Presses before the recording began are left out.
Report Analyse(const Recording& recording, const std::vector<Press>& presses, const SoundLoader& load);

// The bounds the verdicts hold the figures to.
inline constexpr double kLatestSoundSeconds = 0.4; // after its press
inline constexpr double kPitchCents = 0.01;
// A tone's start rings through the server's resampler more or less with
// where it falls between two frames: the largest step where a sound gives
// way was seen up to 1.22 times the tones' own. A click is ten times as high.
inline constexpr double kStepOverOwn = 1.5;

struct Verdicts {
    bool heard = false;  // every press brought its file in time
    bool pitch = false;  // every pitch press measured, each within kPitchCents
    bool clicks = false; // every transition found, none with a step above kStepOverOwn times the own
};
Verdicts Judge(const Report& report);

} // namespace tarvisk::bench
