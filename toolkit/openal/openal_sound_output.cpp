#include "toolkit/openal/openal_sound_output.h"

#include "toolkit/linux/native_path.h"
#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/fallback_alert.h"
#include "toolkit/openal/sound_cache.h"
#include "toolkit/openal/wav_decoder.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace tk::openal {

namespace {

using Clock = std::chrono::steady_clock;

// Enough for many sets of notes; a single larger file still plays, it is
// just not kept once something else sounds.
constexpr std::size_t kCacheBudgetBytes = std::size_t{48} << 20;
// Slack after a sound's nominal end for the device's own buffering.
constexpr auto kEndSlack = std::chrono::milliseconds(100);

void ReportNoDevice()
{
    static std::once_flag once;
    std::call_once(once, [] { std::fputs("tarvisk: no audio output device, sound is off\n", stderr); });
}

struct Request {
    std::string path;
    bool loop = false;
    bool alert = true; // sound the fallback for an unplayable file
    std::uint64_t generation = 0;
};

} // namespace

class OpenAlSoundOutput::Worker {
public:
    explicit Worker(std::string device_name) : device_name_(std::move(device_name))
    {
        thread_ = std::thread([this] { Run(); });
    }

    explicit Worker(int frequency) : loopback_(true)
    {
        if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE)
            return;
        device_ = alcLoopbackOpenDeviceSOFT(nullptr);
        if (device_ == nullptr)
            return;
        const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                     ALC_FLOAT_SOFT, ALC_FREQUENCY, frequency, 0};
        if (alcIsRenderFormatSupportedSOFT(device_, frequency, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) == ALC_TRUE)
            context_ = alcCreateContext(device_, attributes);
        if (context_ == nullptr) {
            alcCloseDevice(device_);
            device_ = nullptr;
            return;
        }
        thread_ = std::thread([this] { Run(); });
    }

    ~Worker()
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    bool Started() const { return thread_.joinable(); }

    void Post(const std::string& path, bool loop, bool alert)
    {
        {
            std::lock_guard lock(mutex_);
            pending_ = Request{path, loop, alert, posted_.load() + 1};
            posted_.store(pending_->generation);
        }
        wake_.notify_one();
    }

    void WaitUntilSettled()
    {
        std::unique_lock lock(mutex_);
        settled_.wait(lock, [&] { return opened_ && !pending_ && handled_ == posted_.load(); });
    }

    std::vector<float> Render(std::size_t frames)
    {
        std::vector<float> out;
        if (!loopback_ || device_ == nullptr)
            return out;
        out.resize(2 * frames);
        alcRenderSamplesSOFT(device_, out.data(), static_cast<ALCsizei>(frames));
        return out;
    }

    Stats GetStats() const
    {
        Stats stats;
        stats.device_open = device_open_.load();
        stats.device_paused = device_paused_.load();
        stats.decodes = decodes_.load();
        stats.fallbacks = fallbacks_.load();
        stats.cached_bytes = cached_bytes_.load();
        stats.period_frames = period_frames_.load();
        return stats;
    }

private:
    void Run()
    {
        const bool ready = loopback_ ? UseContext() : OpenDevice();
        {
            std::lock_guard lock(mutex_);
            opened_ = true;
        }
        settled_.notify_all();
        if (ready)
            PauseIfIdle();

        std::unique_lock lock(mutex_);
        const auto woken = [&] { return quit_ || pending_.has_value(); };
        for (;;) {
            if (watch_end_) {
                if (!wake_.wait_until(lock, end_deadline_, woken)) {
                    lock.unlock();
                    CheckEnd();
                    lock.lock();
                    continue;
                }
            } else {
                wake_.wait(lock, woken);
            }
            if (quit_)
                break;
            Request request = std::move(*pending_);
            pending_.reset();
            lock.unlock();
            if (ready)
                Handle(request);
            lock.lock();
            handled_ = request.generation;
            if (!pending_)
                settled_.notify_all();
        }
        lock.unlock();
        if (ready)
            Teardown();
        else
            Close();
    }

    bool OpenDevice()
    {
        PrepareOpenAlProcess();
        device_ = alcOpenDevice(device_name_.empty() ? nullptr : device_name_.c_str());
        if (device_ == nullptr) {
            ReportNoDevice();
            return false;
        }
        context_ = alcCreateContext(device_, nullptr);
        if (context_ == nullptr) {
            ReportNoDevice();
            Close();
            return false;
        }
        can_pause_ = alcIsExtensionPresent(device_, "ALC_SOFT_pause_device") == ALC_TRUE;
        return UseContext();
    }

    bool UseContext()
    {
        if (context_ == nullptr || alcSetThreadContext(context_) != ALC_TRUE) {
            Close();
            return false;
        }
        alGetError();
        alGenSources(1, &source_);
        if (alGetError() != AL_NO_ERROR) {
            alcSetThreadContext(nullptr);
            Close();
            return false;
        }
        // Stereo frames go straight to the speakers: no panning, so the mix
        // holds the file's own samples.
        if (alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE)
            alSourcei(source_, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source_, AL_POSITION, 0.0f, 0.0f, 0.0f);

        ALCint frequency = 44100;
        alcGetIntegerv(device_, ALC_FREQUENCY, 1, &frequency);
        if (frequency <= 0)
            frequency = 44100;
        ALCint refresh = 0;
        alcGetIntegerv(device_, ALC_REFRESH, 1, &refresh);
        if (!loopback_ && refresh > 0)
            period_frames_ = frequency / refresh;
        const std::vector<std::int16_t> alert = MakeFallbackAlert(frequency);
        fallback_ = Upload(alert, frequency);
        device_open_ = true;
        return true;
    }

    void Handle(const Request& request)
    {
        // The stop comes first, before any file is touched.
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        watch_end_ = false;

        bool loop = request.loop;
        std::optional<SoundCache::Entry> sound;
        const std::string native = linux_paths::ToNative(request.path);
        if (const auto stamp = StampOf(native))
            sound = cache_.Find(*stamp);
        if (!sound) {
            Pcm pcm;
            FileStamp stamp;
            const auto cancelled = [&] { return posted_.load() != request.generation || quit_.load(); };
            const DecodeStatus status = DecodeFile(native, pcm, cancelled, DecodeLimits{}, &stamp);
            if (status == DecodeStatus::Cancelled)
                return;
            if (status == DecodeStatus::Ok) {
                ++decodes_;
                const ALuint buffer = Upload(pcm.samples, pcm.rate);
                if (buffer != 0) {
                    sound = SoundCache::Entry{buffer, pcm.Bytes(),
                                              static_cast<double>(pcm.Frames()) / pcm.rate};
                    cache_.Insert(stamp, *sound, 0);
                }
            }
        }
        if (!sound) {
            if (!request.alert)
                return;
            ++fallbacks_;
            if (fallback_ == 0)
                return;
            // The alert sounds once, even in place of a looped file.
            sound = SoundCache::Entry{fallback_, 0, kFallbackAlertSeconds};
            loop = false;
        }
        Start(*sound, loop);
        cache_.Trim(sound->handle);
        cached_bytes_ = cache_.Bytes();
    }

    void Start(const SoundCache::Entry& sound, bool loop)
    {
        if (device_paused_) {
            alcDeviceResumeSOFT(device_);
            device_paused_ = false;
        }
        alSourcei(source_, AL_BUFFER, static_cast<ALint>(sound.handle));
        alSourcei(source_, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
        alSourcePlay(source_);
        current_seconds_ = sound.seconds;
        watch_end_ = !loop && can_pause_;
        if (watch_end_)
            end_deadline_ = DeadlineAfter(sound.seconds);
    }

    static Clock::time_point DeadlineAfter(double seconds)
    {
        return Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)) +
               kEndSlack;
    }

    // A one-shot sound has had time to end: pause the device once it has.
    void CheckEnd()
    {
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) {
            ALfloat offset = 0.0f;
            alGetSourcef(source_, AL_SEC_OFFSET, &offset);
            end_deadline_ = DeadlineAfter(std::max(0.0, current_seconds_ - offset));
            return;
        }
        watch_end_ = false;
        PauseIfIdle();
    }

    void PauseIfIdle()
    {
        if (!can_pause_ || device_paused_)
            return;
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING)
            return;
        alcDevicePauseSOFT(device_);
        device_paused_ = true;
    }

    ALuint Upload(const std::vector<std::int16_t>& samples, int rate)
    {
        alGetError();
        ALuint buffer = 0;
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR)
            return 0;
        alBufferData(buffer, AL_FORMAT_STEREO16, samples.data(),
                     static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), rate);
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &buffer);
            return 0;
        }
        return buffer;
    }

    void Teardown()
    {
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
        cache_.Clear();
        if (fallback_ != 0)
            alDeleteBuffers(1, &fallback_);
        alcSetThreadContext(nullptr);
        Close();
    }

    void Close()
    {
        if (context_ != nullptr)
            alcDestroyContext(context_);
        if (device_ != nullptr)
            alcCloseDevice(device_);
        context_ = nullptr;
        device_ = nullptr;
        device_open_ = false;
    }

    const std::string device_name_;
    const bool loopback_ = false;

    // Shared with the calling thread.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable settled_;
    std::optional<Request> pending_;
    std::atomic<std::uint64_t> posted_{0};
    std::uint64_t handled_ = 0;
    bool opened_ = false;
    std::atomic<bool> quit_{false};

    std::atomic<bool> device_open_{false};
    std::atomic<bool> device_paused_{false};
    std::atomic<std::uint64_t> decodes_{0};
    std::atomic<std::uint64_t> fallbacks_{0};
    std::atomic<std::size_t> cached_bytes_{0};
    std::atomic<int> period_frames_{0};

    // The worker's own.
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    ALuint source_ = 0;
    ALuint fallback_ = 0;
    bool can_pause_ = false;
    bool watch_end_ = false;
    double current_seconds_ = 0.0;
    Clock::time_point end_deadline_{};
    SoundCache cache_{kCacheBudgetBytes, [](std::uint32_t buffer) {
                          const ALuint name = buffer;
                          alDeleteBuffers(1, &name);
                      }};

    std::thread thread_;
};

OpenAlSoundOutput::OpenAlSoundOutput() : OpenAlSoundOutput(std::string{}) {}

OpenAlSoundOutput::OpenAlSoundOutput(const std::string& device_name)
{
    // Before OpenAL's first use, on the caller's thread.
    PrepareOpenAlProcess();
    worker_ = std::make_unique<Worker>(device_name);
}

OpenAlSoundOutput::OpenAlSoundOutput(LoopbackTag, int frequency)
{
    PrepareOpenAlProcess();
    worker_ = std::make_unique<Worker>(frequency);
}

OpenAlSoundOutput::~OpenAlSoundOutput() = default;

std::unique_ptr<OpenAlSoundOutput> OpenAlSoundOutput::ForLoopback(int frequency)
{
    std::unique_ptr<OpenAlSoundOutput> output(new OpenAlSoundOutput(LoopbackTag{}, frequency));
    if (!output->worker_->Started())
        return nullptr;
    return output;
}

int OpenAlSoundOutput::sndPlaySoundA(const std::string& path, unsigned flags)
{
    worker_->Post(path, (flags & SND_LOOP) != 0, (flags & SND_NODEFAULT) == 0);
    return 1;
}

std::vector<float> OpenAlSoundOutput::Render(std::size_t frames)
{
    return worker_->Render(frames);
}

void OpenAlSoundOutput::WaitUntilSettled()
{
    worker_->WaitUntilSettled();
}

OpenAlSoundOutput::Stats OpenAlSoundOutput::GetStats() const
{
    return worker_->GetStats();
}

} // namespace tk::openal
