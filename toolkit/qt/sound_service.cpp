#include "toolkit/qt/sound_service.h"

#ifdef TARVISK_HAVE_OPENAL
#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/openal_sound_output.h"
#endif

namespace tk::qt {

namespace {

class Silence final : public SoundOutput {
public:
    int sndPlaySoundA(const std::string&, unsigned) override { return 0; }
};

} // namespace

SoundService::SoundService() = default;

void SoundService::PrepareProcess()
{
#ifdef TARVISK_HAVE_OPENAL
    openal::PrepareOpenAlProcess();
#endif
}
SoundService::~SoundService() = default;

int SoundService::sndPlaySoundA(const std::string& path, unsigned flags)
{
    if (!output_) {
#ifdef TARVISK_HAVE_OPENAL
        output_ = std::make_unique<openal::OpenAlSoundOutput>();
#else
        output_ = std::make_unique<Silence>();
#endif
    }
    return output_->sndPlaySoundA(path, flags);
}

} // namespace tk::qt
