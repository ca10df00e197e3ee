#include "sound/sound.h"

#include "toolkit/error.h"
#include "toolkit/platform.h"

namespace tarvisk {

namespace {
// The platform's answer is kept, never examined.
int ret = 0;
} // namespace

void PlayWavOnce(tk::SoundOutput& output, const std::string& path)
{
    tk::ResumeNext([&] { ret = output.sndPlaySoundA(path, tk::kPlayAsync); });
}

void PlayWavLoop(tk::SoundOutput& output, const std::string& path)
{
    tk::ResumeNext([&] { ret = output.sndPlaySoundA(path, tk::kPlayAsync | tk::kPlayLoop); });
}

} // namespace tarvisk
