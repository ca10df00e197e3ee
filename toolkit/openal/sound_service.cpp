#include "toolkit/openal/sound_service.h"

#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/openal_sound_output.h"

namespace tk::openal {

SoundService::SoundService() = default;
SoundService::~SoundService() = default;

void SoundService::PrepareProcess() { PrepareOpenAlProcess(); }

int SoundService::sndPlaySoundA(const std::string& path, unsigned flags)
{
    if (!output_)
        output_ = std::make_unique<OpenAlSoundOutput>();
    return output_->sndPlaySoundA(path, flags);
}

} // namespace tk::openal
