#include "toolkit/openal/sound_worker.h"

#include "toolkit/linux/native_path.h"
#include "toolkit/openal/fallback_alert.h"

#include <algorithm>
#include <cstdio>

namespace tk::openal {

namespace {

// Enough for many sets of notes; a single larger file still plays, it is
// just not kept once something else sounds.
constexpr std::size_t kCacheBudgetBytes = std::size_t{48} << 20;
// Slack after a sound's nominal end for the device's own buffering.
constexpr auto kEndSlack = std::chrono::milliseconds(100);
// A fade takes one mixing period (about 6 ms); its source stops well after.
constexpr auto kFadeStop = std::chrono::milliseconds(100);

void ReportNoDevice()
{
    static std::once_flag once;
    std::call_once(once, [] { std::fputs("tarvisk: no audio output device, sound is off\n", stderr); });
}

} // namespace

SoundWorker::SoundWorker(DeviceOpener open, bool timed)
    : open_(std::move(open)), timed_(timed), cache_(kCacheBudgetBytes, [this](std::uint32_t buffer) {
          if (device_)
              device_->Release(buffer);
      })
{
    thread_ = std::thread([this] { Run(); });
}

SoundWorker::~SoundWorker()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SoundWorker::Post(const std::string& path, bool loop, bool alert)
{
    {
        std::lock_guard lock(mutex_);
        pending_ = Request{path, loop, alert, posted_.load() + 1};
        posted_.store(pending_->generation);
    }
    wake_.notify_one();
}

void SoundWorker::WaitUntilSettled()
{
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [&] { return opened_ && !pending_ && handled_ == posted_.load(); });
}

SoundStats SoundWorker::GetStats() const
{
    SoundStats stats;
    stats.device_open = device_open_.load();
    stats.device_paused = device_paused_.load();
    stats.decodes = decodes_.load();
    stats.fallbacks = fallbacks_.load();
    stats.opens = opens_.load();
    stats.cached_bytes = cached_bytes_.load();
    stats.period_frames = period_frames_.load();
    return stats;
}

void SoundWorker::Run()
{
    if (OpenDevice())
        PauseIfIdle();
    {
        std::lock_guard lock(mutex_);
        opened_ = true;
    }
    settled_.notify_all();

    std::unique_lock lock(mutex_);
    const auto woken = [&] { return quit_ || pending_.has_value(); };
    for (;;) {
        if (const auto deadline = NextDeadline()) {
            if (!wake_.wait_until(lock, *deadline, woken)) {
                lock.unlock();
                OnDeadline();
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
        EnsureDevice();
        if (device_)
            Handle(request);
        lock.lock();
        handled_ = request.generation;
        if (!pending_)
            settled_.notify_all();
    }
    lock.unlock();
    Teardown();
}

bool SoundWorker::OpenDevice()
{
    device_ = open_();
    if (!device_) {
        ReportNoDevice();
        return false;
    }
    ++opens_;
    period_frames_ = device_->PeriodFrames();
    device_open_ = true;
    return true;
}

// A lost device cannot come back; a new one is opened in its place, and each
// sound is read again when next asked for: the device's buffers are the only
// copy of a decoded sound. Without a device, each request tries again.
void SoundWorker::EnsureDevice()
{
    if (device_ && device_->Connected())
        return;
    device_.reset();
    device_open_ = false;
    device_paused_ = false;
    watch_end_ = false;
    fade_deadline_.reset();
    cache_.Forget();
    cached_bytes_ = 0;
    OpenDevice();
}

void SoundWorker::Handle(const Request& request)
{
    // The old sound fades first, before any file is touched.
    device_->FadeOut();
    watch_end_ = false;
    if (timed_)
        fade_deadline_ = Clock::now() + kFadeStop;

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
            const std::uint32_t buffer = device_->Upload(pcm);
            if (buffer != 0) {
                sound = SoundCache::Entry{buffer, pcm.Bytes(), static_cast<double>(pcm.Frames()) / pcm.rate};
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

void SoundWorker::Start(const SoundCache::Entry& sound, bool loop)
{
    device_->Start(sound.handle, loop);
    device_paused_ = false;
    current_seconds_ = sound.seconds;
    watch_end_ = !loop && timed_ && device_->CanPause();
    if (watch_end_)
        end_deadline_ = Clock::now() +
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(sound.seconds)) +
            kEndSlack;
}

std::optional<SoundWorker::Clock::time_point> SoundWorker::NextDeadline() const
{
    std::optional<Clock::time_point> next = fade_deadline_;
    if (watch_end_ && (!next || end_deadline_ < *next))
        next = end_deadline_;
    return next;
}

void SoundWorker::OnDeadline()
{
    const auto now = Clock::now();
    if (fade_deadline_ && *fade_deadline_ <= now) {
        fade_deadline_.reset();
        if (device_)
            device_->StopFaded();
    }
    if (!watch_end_ || end_deadline_ > now || !device_)
        return;
    // A one-shot sound has had time to end: rest the device once it has.
    if (device_->Playing()) {
        end_deadline_ = now +
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                std::max(0.0, current_seconds_ - device_->PlayedSeconds()))) +
            kEndSlack;
        return;
    }
    watch_end_ = false;
    PauseIfIdle();
}

void SoundWorker::PauseIfIdle()
{
    device_->PauseIfIdle();
    device_paused_ = device_->Paused();
}

// Sources, buffers, context, device: in that order, on this thread.
void SoundWorker::Teardown()
{
    cache_.Clear();
    device_.reset();
    device_open_ = false;
}

} // namespace tk::openal
