#pragma once
// An output that renders on demand into memory: what the program would hear,
// sample for sample, with no device. For tests and benchmarks.

#include "toolkit/linux_sound/mixer.h"
#include "toolkit/linux_sound/sink.h"

#include <atomic>
#include <vector>

namespace tarvisk::sound_test {

using tk::linux_sound::Mixer;
using tk::linux_sound::Pcm;

class MemorySink final : public tk::linux_sound::Sink {
public:
    explicit MemorySink(int rate, double rest_after_seconds = 60.0) : mixer_(rate, rest_after_seconds) {}

    bool Healthy() override { return healthy; }
    void Play(std::shared_ptr<const Pcm> sound, bool loop) override { mixer_.Play(std::move(sound), loop); }

    // The next `frames` frames, interleaved left/right.
    std::vector<float> Render(std::size_t frames)
    {
        std::vector<float> out(2 * frames);
        mixer_.Render(out.data(), frames);
        return out;
    }

    // A test's stand-in for a server that goes away.
    std::atomic<bool> healthy{true};

private:
    Mixer mixer_;
};

} // namespace tarvisk::sound_test
