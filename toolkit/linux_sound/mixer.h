#pragma once
// The program's own mixer: a plain function from the current request and its
// samples to output frames, interleaved stereo float at the output's rate,
// with no device behind it.
// - One sound at a time: a new one starts at once, and where it replaces
//   another the two crossfade over a few milliseconds, so nothing clicks.
// - Frames are numbered from the first rendered. An output that holds
//   frames not yet heard may start a new sound at any of them: the mixer
//   keeps what it rendered for that long, fades from exactly that, and
//   renders on from there.
// - A loop repeats its file without a gap; a one-shot ends with its file.
// - A sound at another rate is resampled as it plays (libsamplerate), so its
//   pitch is exact and a loop has no seam at any rate. At the output's own
//   rate its samples pass untouched.
// - Once nothing has sounded for a while, Render says so: the output may rest.
// Play and Render may be called on different threads; a finished sound is
// freed by the next Play or Collect, never by Render.

#include "toolkit/sndfile/wav_decoder.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tk::linux_sound {

using sndfile::Pcm;

inline constexpr double kFadeSeconds = 0.005;

class Mixer {
    class Voice;

public:
    // `held_seconds`: how far behind the last rendered frame a new sound may start.
    Mixer(int rate, double rest_after_seconds, double held_seconds = 0.0);
    ~Mixer();

    int Rate() const { return rate_; }

    // Plays `sound` in place of what sounds from the next frame rendered;
    // nullptr only ends what sounds.
    void Play(std::shared_ptr<const Pcm> sound, bool loop);
    // The same from frame `at`, or the nearest frame the mixer can start it
    // at; returns that frame, which the next Render begins with.
    std::uint64_t PlayAt(std::shared_ptr<const Pcm> sound, bool loop, std::uint64_t at);

    // A sound made ready to start: what starting it allocates, made ahead on
    // the caller's thread. Started on the thread that renders, it allocates
    // and frees nothing there; what it replaces waits for Collect.
    class Cue {
    public:
        Cue();
        Cue(Cue&&) noexcept;
        Cue& operator=(Cue&&) noexcept;
        ~Cue();
        // False where the cue only ends what sounds.
        explicit operator bool() const { return voice_ != nullptr; }

    private:
        friend class Mixer;
        std::unique_ptr<Voice> voice_;
    };
    Cue Ready(std::shared_ptr<const Pcm> sound, bool loop) const;
    std::uint64_t PlayAt(Cue cue, std::uint64_t at);

    // The number of the frame the next Render begins with.
    std::uint64_t Next() const;

    // Fills `frames` frames of `out`. False once nothing has sounded for
    // `rest_after_seconds`.
    bool Render(float* out, std::size_t frames);

    // Frees the sounds that have ended.
    void Collect();

private:
    const int rate_;
    const std::size_t fade_frames_;
    const std::uint64_t rest_after_frames_;
    mutable std::mutex mutex_;
    std::unique_ptr<Voice> current_;
    std::vector<std::unique_ptr<Voice>> fading_;
    std::vector<std::unique_ptr<Voice>> ended_;
    // What was rendered before a new sound's start, fading out over it.
    std::vector<float> tail_;
    std::size_t tail_at_ = 0;
    // The frames last rendered, frame n at n % held frames.
    std::vector<float> held_;
    std::uint64_t next_ = 0;
    std::uint64_t silent_frames_ = 0;
};

} // namespace tk::linux_sound
