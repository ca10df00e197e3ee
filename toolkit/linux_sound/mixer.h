#pragma once
// The program's own mixer: a plain function from the current request and its
// samples to output frames, interleaved stereo float at the output's rate,
// with no device behind it.
// - One sound at a time: a new one starts at once, and where it replaces
//   another the two crossfade over a few milliseconds, so nothing clicks.
// - A loop repeats its file without a gap; a one-shot ends with its file.
// - A sound at another rate is resampled as it plays (libsamplerate), so its
//   pitch is exact and a loop has no seam at any rate. At the output's own
//   rate its samples pass untouched.
// - Once nothing has sounded for a while, Render says so: the output may rest.
// Play and Render may be called on different threads.

#include "toolkit/sndfile/wav_decoder.h"

#include <memory>
#include <mutex>
#include <vector>

namespace tk::linux_sound {

using sndfile::Pcm;

inline constexpr double kFadeSeconds = 0.005;

class Mixer {
public:
    Mixer(int rate, double rest_after_seconds);
    ~Mixer();

    // Plays `sound` in place of what sounds; nullptr only ends what sounds.
    void Play(std::shared_ptr<const Pcm> sound, bool loop);

    // Fills `frames` frames of `out`. False once nothing has sounded for
    // `rest_after_seconds`.
    bool Render(float* out, std::size_t frames);

private:
    class Voice;

    const int rate_;
    const std::size_t fade_frames_;
    const std::uint64_t rest_after_frames_;
    std::mutex mutex_;
    std::unique_ptr<Voice> current_;
    std::vector<std::unique_ptr<Voice>> fading_;
    std::uint64_t silent_frames_ = 0;
};

} // namespace tk::linux_sound
