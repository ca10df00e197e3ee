#include "toolkit/openal/openal_sound_output.h"

#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/openal_device.h"
#include "toolkit/openal/sound_worker.h"

#include <algorithm>

namespace tk::openal {

namespace {

// A loopback device mixes in periods as long as a real one's.
constexpr int kLoopbackPeriodFrames = 256;

} // namespace

OpenAlSoundOutput::OpenAlSoundOutput() : OpenAlSoundOutput(std::string{}) {}

OpenAlSoundOutput::OpenAlSoundOutput(const std::string& device_name)
{
    // Before OpenAL's first use, on the caller's thread.
    PrepareOpenAlProcess();
    worker_ = std::make_unique<SoundWorker>([device_name] { return OpenAlDevice::Open(device_name); }, true);
}

OpenAlSoundOutput::OpenAlSoundOutput(LoopbackTag, int frequency)
{
    PrepareOpenAlProcess();
    worker_ = std::make_unique<SoundWorker>(
        [this, frequency]() -> std::unique_ptr<PlaybackDevice> {
            auto device = OpenAlDevice::OpenLoopback(frequency, kLoopbackPeriodFrames);
            loopback_ = device ? device->Handle() : nullptr;
            return device;
        },
        false);
    worker_->WaitUntilSettled();
}

OpenAlSoundOutput::~OpenAlSoundOutput() = default;

std::unique_ptr<OpenAlSoundOutput> OpenAlSoundOutput::ForLoopback(int frequency)
{
    std::unique_ptr<OpenAlSoundOutput> output(new OpenAlSoundOutput(LoopbackTag{}, frequency));
    if (output->loopback_.load() == nullptr)
        return nullptr;
    return output;
}

int OpenAlSoundOutput::sndPlaySoundA(const std::string& path, unsigned flags)
{
    worker_->Post(path, (flags & kPlayLoop) != 0, (flags & kPlayNoDefault) == 0);
    return 1;
}

std::vector<float> OpenAlSoundOutput::Render(std::size_t frames)
{
    std::vector<float> out;
    ALCdevice* device = loopback_.load();
    if (device == nullptr)
        return out;
    out.resize(2 * frames);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min<std::size_t>(kLoopbackPeriodFrames, frames - done);
        Al().alcRenderSamplesSOFT(device, out.data() + 2 * done, static_cast<ALCsizei>(count));
        done += count;
    }
    return out;
}

void OpenAlSoundOutput::WaitUntilSettled() { worker_->WaitUntilSettled(); }

OpenAlSoundOutput::Stats OpenAlSoundOutput::GetStats() const { return worker_->GetStats(); }

} // namespace tk::openal
