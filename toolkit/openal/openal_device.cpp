#include "toolkit/openal/openal_device.h"

#include "toolkit/openal/fallback_alert.h"

namespace tk::openal {

std::unique_ptr<OpenAlDevice> OpenAlDevice::Open(const std::string& name)
{
    DevicePtr device(alcOpenDevice(name.empty() ? nullptr : name.c_str()));
    if (!device)
        return nullptr;
    std::unique_ptr<OpenAlDevice> opened(new OpenAlDevice(std::move(device), false, nullptr));
    if (!opened->Ready())
        return nullptr;
    return opened;
}

std::unique_ptr<OpenAlDevice> OpenAlDevice::OpenLoopback(int frequency)
{
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE)
        return nullptr;
    DevicePtr device(alcLoopbackOpenDeviceSOFT(nullptr));
    if (!device ||
        alcIsRenderFormatSupportedSOFT(device.get(), frequency, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) != ALC_TRUE)
        return nullptr;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT, ALC_FREQUENCY, frequency, 0};
    std::unique_ptr<OpenAlDevice> opened(new OpenAlDevice(std::move(device), true, attributes));
    if (!opened->Ready())
        return nullptr;
    return opened;
}

OpenAlDevice::OpenAlDevice(DevicePtr device, bool loopback, const ALCint* attributes)
    : device_(std::move(device)), context_(device_.get(), attributes), loopback_(loopback)
{
    if (!context_)
        return;
    can_pause_ = !loopback_ && alcIsExtensionPresent(device_.get(), "ALC_SOFT_pause_device") == ALC_TRUE;

    ALCint frequency = 44100;
    alcGetIntegerv(device_.get(), ALC_FREQUENCY, 1, &frequency);
    if (frequency <= 0)
        frequency = 44100;
    ALCint refresh = 0;
    alcGetIntegerv(device_.get(), ALC_REFRESH, 1, &refresh);
    if (!loopback_ && refresh > 0)
        period_frames_ = frequency / refresh;
    fallback_ = Buffer(Upload(MakeFallbackAlert(frequency), frequency));

    Source source = Source::Make();
    if (!source)
        return;
    // Stereo frames go straight to the speakers: no panning, so the mix
    // holds the file's own samples.
    if (alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE)
        alSourcei(source.get(), AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alSourcei(source.get(), AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source.get(), AL_POSITION, 0.0f, 0.0f, 0.0f);
    source_ = std::move(source);
}

OpenAlDevice::~OpenAlDevice()
{
    if (source_)
        Stop();
}

std::uint32_t OpenAlDevice::Upload(const std::vector<std::int16_t>& samples, int rate)
{
    Buffer buffer = Buffer::Make();
    if (!buffer)
        return 0;
    alBufferData(buffer.get(), AL_FORMAT_STEREO16, samples.data(),
                 static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), rate);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    return buffer.release();
}

void OpenAlDevice::Release(std::uint32_t buffer)
{
    const ALuint name = buffer;
    alDeleteBuffers(1, &name);
}

void OpenAlDevice::Stop()
{
    alSourceStop(source_.get());
    alSourcei(source_.get(), AL_BUFFER, 0);
}

void OpenAlDevice::Play(std::uint32_t buffer, bool loop)
{
    if (paused_) {
        alcDeviceResumeSOFT(device_.get());
        paused_ = false;
    }
    alSourcei(source_.get(), AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(source_.get(), AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcePlay(source_.get());
}

bool OpenAlDevice::Playing() const
{
    ALint state = AL_STOPPED;
    alGetSourcei(source_.get(), AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

double OpenAlDevice::PlayedSeconds() const
{
    ALfloat offset = 0.0f;
    alGetSourcef(source_.get(), AL_SEC_OFFSET, &offset);
    return offset;
}

void OpenAlDevice::PauseIfIdle()
{
    if (!can_pause_ || paused_ || Playing())
        return;
    alcDevicePauseSOFT(device_.get());
    paused_ = true;
}

} // namespace tk::openal
