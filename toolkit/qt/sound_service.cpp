#include "toolkit/qt/sound_service.h"

#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/openal_sound_output.h"

namespace tk::qt {

SoundService::SoundService() = default;
SoundService::~SoundService() = default;

void SoundService::PrepareProcess()
{
    openal::PrepareOpenAlProcess();
}

int SoundService::sndPlaySoundA(const std::string& path, unsigned flags)
{
    if (!output_)
        output_ = std::make_unique<openal::OpenAlSoundOutput>();
    return output_->sndPlaySoundA(path, flags);
}

} // namespace tk::qt
