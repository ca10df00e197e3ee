#include "toolkit/openal/openal_device.h"

#include "toolkit/openal/fallback_alert.h"
#include "toolkit/openal/pulse_stream_name.h"

#include <algorithm>

namespace tk::openal {

namespace {

// The rate the sound library is made at. Mixing at it, OpenAL Soft plays
// the files without resampling, and the sound server converts to its own
// rate with an exact ratio; OpenAL Soft 1.19 would step through them with a
// 12-bit fixed-point increment, 0.09 cent flat at 48 kHz.
constexpr ALCint kLibraryRate = 44100;

} // namespace

std::unique_ptr<OpenAlDevice> OpenAlDevice::Open(const std::string& name)
{
    if (LoadOpenAl() == nullptr)
        return nullptr;
    DevicePtr device(Al().alcOpenDevice(name.empty() ? nullptr : name.c_str()));
    if (!device)
        return nullptr;
    // The context's stream replaces the one opened with the device.
    NameOpenAlStreams(reinterpret_cast<const void*>(Al().alcOpenDevice));
    const ALCint attributes[] = {ALC_FREQUENCY, kLibraryRate, 0};
    std::unique_ptr<OpenAlDevice> opened(new OpenAlDevice(std::move(device), false, attributes, 0));
    if (!opened->Ready())
        return nullptr;
    return opened;
}

std::unique_ptr<OpenAlDevice> OpenAlDevice::OpenLoopback(int frequency, int period_frames)
{
    if (LoadOpenAl() == nullptr || Al().alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE)
        return nullptr;
    DevicePtr device(Al().alcLoopbackOpenDeviceSOFT(nullptr));
    if (!device ||
        Al().alcIsRenderFormatSupportedSOFT(device.get(), frequency, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) != ALC_TRUE)
        return nullptr;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,
                                 frequency,
                                 0};
    std::unique_ptr<OpenAlDevice> opened(
        new OpenAlDevice(std::move(device), true, attributes, period_frames));
    if (!opened->Ready())
        return nullptr;
    return opened;
}

OpenAlDevice::OpenAlDevice(DevicePtr device, bool loopback, const ALCint* attributes, int period_frames)
    : device_(std::move(device)), context_(device_.get(), attributes), loopback_(loopback),
      period_frames_(period_frames)
{
    if (!context_)
        return;
    can_pause_ = !loopback_ && Al().alcIsExtensionPresent(device_.get(), "ALC_SOFT_pause_device") == ALC_TRUE;
    can_disconnect_ = Al().alcIsExtensionPresent(device_.get(), "ALC_EXT_disconnect") == ALC_TRUE;
    loop_points_ = Al().alIsExtensionPresent("AL_SOFT_loop_points") == AL_TRUE;

    ALCint frequency = 0;
    Al().alcGetIntegerv(device_.get(), ALC_FREQUENCY, 1, &frequency);
    if (frequency > 0)
        frequency_ = frequency;
    ALCint refresh = 0;
    Al().alcGetIntegerv(device_.get(), ALC_REFRESH, 1, &refresh);
    if (!loopback_ && refresh > 0)
        period_frames_ = frequency_ / refresh;

    for (Source& slot : sources_) {
        Source source = Source::Make();
        if (!source)
            return;
        // Stereo frames go straight to the speakers: no panning, so the mix
        // holds the file's own samples.
        if (Al().alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE)
            Al().alSourcei(source.get(), AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
        Al().alSourcei(source.get(), AL_SOURCE_RELATIVE, AL_TRUE);
        Al().alSource3f(source.get(), AL_POSITION, 0.0f, 0.0f, 0.0f);
        slot = std::move(source);
    }
    fallback_ = Buffer(Upload(Pcm{frequency_, MakeFallbackAlert(frequency_)}));
}

OpenAlDevice::~OpenAlDevice()
{
    for (const Source& source : sources_)
        if (source)
            Detach(source.get());
    for (ALuint buffer : doomed_)
        Al().alDeleteBuffers(1, &buffer);
}

bool OpenAlDevice::Connected()
{
    if (!can_disconnect_)
        return true;
    ALCint connected = ALC_TRUE;
    Al().alcGetIntegerv(device_.get(), ALC_CONNECTED, 1, &connected);
    return connected != ALC_FALSE;
}

ALint OpenAlDevice::LeadFrames(int rate) const
{
    if (!loop_points_ || period_frames_ <= 0)
        return 0;
    return static_cast<ALint>((static_cast<long long>(period_frames_) * rate + frequency_ - 1) / frequency_);
}

std::uint32_t OpenAlDevice::Upload(const Pcm& pcm)
{
    const ALint lead = LeadFrames(pcm.rate);
    const auto frames = static_cast<ALint>(pcm.Frames());
    if (lead == 0)
        return UploadFrames(pcm.samples, pcm.rate);
    std::vector<std::int16_t> led(2 * static_cast<std::size_t>(lead), 0);
    led.insert(led.end(), pcm.samples.begin(), pcm.samples.end());
    const std::uint32_t buffer = UploadFrames(led, pcm.rate);
    const ALint loop[] = {lead, lead + frames};
    if (buffer != 0)
        Al().alBufferiv(buffer, AL_LOOP_POINTS_SOFT, loop);
    return buffer;
}

std::uint32_t OpenAlDevice::UploadFrames(const std::vector<std::int16_t>& samples, int rate)
{
    Buffer buffer = Buffer::Make();
    if (!buffer)
        return 0;
    Al().alBufferData(buffer.get(), AL_FORMAT_STEREO16, samples.data(),
                 static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), rate);
    if (Al().alGetError() != AL_NO_ERROR)
        return 0;
    return buffer.release();
}

void OpenAlDevice::Release(std::uint32_t buffer)
{
    doomed_.push_back(buffer);
    ReleaseUnused();
}

// A buffer still attached to a source (a fading one) is freed once it is not.
void OpenAlDevice::ReleaseUnused()
{
    std::erase_if(doomed_, [&](ALuint buffer) {
        for (const Source& source : sources_) {
            ALint attached = 0;
            Al().alGetSourcei(source.get(), AL_BUFFER, &attached);
            if (static_cast<ALuint>(attached) == buffer)
                return false;
        }
        Al().alDeleteBuffers(1, &buffer);
        return true;
    });
}

void OpenAlDevice::Detach(ALuint source)
{
    Al().alSourceStop(source);
    Al().alSourcei(source, AL_BUFFER, 0);
}

void OpenAlDevice::FadeOut()
{
    const ALuint source = sources_[current_].get();
    ALint state = AL_STOPPED;
    Al().alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) {
        Detach(source);
        ReleaseUnused();
        return;
    }
    // An older faded sound is silent by now: it can stop.
    StopFaded();
    Al().alSourcef(source, AL_GAIN, 0.0f);
    fading_ = true;
    current_ = 1 - current_;
}

void OpenAlDevice::Start(std::uint32_t buffer, bool loop)
{
    const ALuint source = sources_[current_].get();
    Detach(source);
    if (paused_) {
        Al().alcDeviceResumeSOFT(device_.get());
        paused_ = false;
    }
    Al().alSourcef(source, AL_GAIN, 1.0f);
    Al().alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    Al().alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    // From the lead, always: OpenAL Soft fades in a start at any other offset.
    Al().alSourcePlay(source);
    ReleaseUnused();
}

void OpenAlDevice::StopFaded()
{
    if (!fading_)
        return;
    Detach(sources_[1 - current_].get());
    fading_ = false;
    ReleaseUnused();
}

bool OpenAlDevice::Playing()
{
    ALint state = AL_STOPPED;
    Al().alGetSourcei(sources_[current_].get(), AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

double OpenAlDevice::PlayedSeconds()
{
    ALfloat offset = 0.0f;
    Al().alGetSourcef(sources_[current_].get(), AL_SEC_OFFSET, &offset);
    return offset;
}

void OpenAlDevice::PauseIfIdle()
{
    if (!can_pause_ || paused_ || Playing())
        return;
    StopFaded();
    Al().alcDevicePauseSOFT(device_.get());
    paused_ = true;
}

} // namespace tk::openal
