#pragma once
// The sound output of the Linux program, opened on the first request, so a
// second instance never opens the audio device.

#include "toolkit/platform.h"

#include <memory>

namespace tk::openal {

class SoundService final : public SoundOutput {
public:
    SoundService();
    // Process-wide settings of the sound library; call before any thread
    // starts, since it sets environment variables.
    static void PrepareProcess();
    ~SoundService() override;
    int sndPlaySoundA(const std::string& path, unsigned flags) override;

private:
    std::unique_ptr<SoundOutput> output_;
};

} // namespace tk::openal
