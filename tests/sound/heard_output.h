#pragma once
// The player heard through a memory output: requests go in as the program
// makes them, and what it would sound comes out, frame for frame.

#include "tests/sound/memory_sink.h"
#include "toolkit/linux_sound/player.h"

#include <memory>
#include <vector>

namespace tarvisk::sound_test {

class HeardOutput {
public:
    explicit HeardOutput(int rate)
        : player_({[this, rate] {
              auto sink = std::make_unique<MemorySink>(rate);
              sink_ = sink.get();
              return sink;
          }})
    {
    }

    tk::linux_sound::Player& player() { return player_; }

    void Play(const std::string& path, unsigned flags)
    {
        player_.sndPlaySoundA(path, flags);
        player_.WaitUntilSettled();
    }

    // The next `frames` frames; silence before the first request.
    std::vector<float> Render(std::size_t frames)
    {
        player_.WaitUntilSettled();
        return sink_ != nullptr ? sink_->Render(frames) : std::vector<float>(2 * frames, 0.0f);
    }

private:
    MemorySink* sink_ = nullptr;
    tk::linux_sound::Player player_;
};

} // namespace tarvisk::sound_test
