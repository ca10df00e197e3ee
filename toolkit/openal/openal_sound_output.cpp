#include "toolkit/openal/openal_sound_output.h"

#include "toolkit/linux/native_path.h"
#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/fallback_alert.h"
#include "toolkit/openal/openal_device.h"
#include "toolkit/openal/sound_cache.h"
#include "toolkit/openal/wav_decoder.h"

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
    // The device is opened on the worker thread, which owns every OpenAL
    // object; a loopback device is waited for, so a missing one shows.
    Worker(std::string device_name, bool loopback, int frequency)
        : device_name_(std::move(device_name)), loopback_(loopback), frequency_(frequency)
    {
        thread_ = std::thread([this] { Run(); });
        if (loopback_) {
            std::unique_lock lock(mutex_);
            settled_.wait(lock, [&] { return opened_; });
        }
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

    bool Started() const { return loopback_device_.load() != nullptr; }

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
        ALCdevice* device = loopback_device_.load();
        if (device == nullptr)
            return out;
        out.resize(2 * frames);
        alcRenderSamplesSOFT(device, out.data(), static_cast<ALCsizei>(frames));
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
        OpenDevice();
        const bool ready = device_ != nullptr;
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
        Teardown();
    }

    void OpenDevice()
    {
        if (loopback_) {
            device_ = OpenAlDevice::OpenLoopback(frequency_);
            loopback_device_ = device_ ? device_->Handle() : nullptr;
        } else {
            device_ = OpenAlDevice::Open(device_name_);
            if (!device_)
                ReportNoDevice();
        }
        if (device_) {
            period_frames_ = device_->PeriodFrames();
            device_open_ = true;
        }
    }

    void Handle(const Request& request)
    {
        // The stop comes first, before any file is touched.
        device_->Stop();
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
                const std::uint32_t buffer = device_->Upload(pcm.samples, pcm.rate);
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
            if (device_->Fallback() == 0)
                return;
            // The alert sounds once, even in place of a looped file.
            sound = SoundCache::Entry{device_->Fallback(), 0, kFallbackAlertSeconds};
            loop = false;
        }
        Start(*sound, loop);
        cache_.Trim(sound->handle);
        cached_bytes_ = cache_.Bytes();
    }

    void Start(const SoundCache::Entry& sound, bool loop)
    {
        device_->Play(sound.handle, loop);
        device_paused_ = false;
        current_seconds_ = sound.seconds;
        watch_end_ = !loop && device_->CanPause();
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
        if (device_->Playing()) {
            end_deadline_ = DeadlineAfter(std::max(0.0, current_seconds_ - device_->PlayedSeconds()));
            return;
        }
        watch_end_ = false;
        PauseIfIdle();
    }

    void PauseIfIdle()
    {
        device_->PauseIfIdle();
        device_paused_ = device_->Paused();
    }

    // Sources, buffers, context, device: in that order, on this thread.
    void Teardown()
    {
        loopback_device_ = nullptr;
        if (device_)
            device_->Stop();
        cache_.Clear();
        device_.reset();
        device_open_ = false;
    }

    const std::string device_name_;
    const bool loopback_ = false;
    const int frequency_ = 0;

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

    std::atomic<ALCdevice*> loopback_device_{nullptr};

    // The worker's own.
    std::unique_ptr<OpenAlDevice> device_;
    bool watch_end_ = false;
    double current_seconds_ = 0.0;
    Clock::time_point end_deadline_{};
    SoundCache cache_{kCacheBudgetBytes, [this](std::uint32_t buffer) {
                          if (device_)
                              device_->Release(buffer);
                      }};

    std::thread thread_;
};

OpenAlSoundOutput::OpenAlSoundOutput() : OpenAlSoundOutput(std::string{}) {}

OpenAlSoundOutput::OpenAlSoundOutput(const std::string& device_name)
{
    // Before OpenAL's first use, on the caller's thread.
    PrepareOpenAlProcess();
    worker_ = std::make_unique<Worker>(device_name, false, 0);
}

OpenAlSoundOutput::OpenAlSoundOutput(LoopbackTag, int frequency)
{
    PrepareOpenAlProcess();
    worker_ = std::make_unique<Worker>(std::string{}, true, frequency);
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
