#include "toolkit/linux_sound/player.h"

#include "toolkit/linux/native_path.h"
#include "toolkit/linux_sound/fallback_alert.h"

#include <cstdio>

namespace tk::linux_sound {

namespace {

// Enough for several sets of notes; a larger file still plays, it is just
// not kept once something else sounds.
constexpr std::size_t kCacheBudgetBytes = std::size_t{16} << 20;

void ReportNoOutput()
{
    static std::once_flag once;
    std::call_once(once, [] { std::fputs("tarvisk: no audio output device, sound is off\n", stderr); });
}

std::vector<SinkOpener> ThisMachine()
{
    return {[] { return OpenPulseSink(kStayReadySeconds); }, [] { return OpenAlsaSink(kStayReadySeconds); }};
}

} // namespace

Player::Player(std::vector<SinkOpener> outputs)
    : outputs_(outputs.empty() ? ThisMachine() : std::move(outputs)), cache_(kCacheBudgetBytes)
{
}

Player::~Player()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

int Player::sndPlaySoundA(const std::string& path, unsigned flags)
{
    // Started here, on the caller's thread, the only one that calls.
    if (!worker_.joinable())
        worker_ = std::thread([this] { Run(); });
    {
        std::lock_guard lock(mutex_);
        pending_ = Request{path, (flags & kPlayLoop) != 0, (flags & kPlayNoDefault) == 0, posted_ + 1};
        posted_ = pending_->generation;
    }
    wake_.notify_one();
    return 1;
}

void Player::WaitUntilSettled()
{
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [&] { return !pending_ && handled_ == posted_; });
}

Player::Stats Player::GetStats() const
{
    std::lock_guard lock(stats_mutex_);
    return stats_;
}

void Player::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || pending_.has_value(); });
        if (quit_)
            break;
        const Request request = std::move(*pending_);
        pending_.reset();
        lock.unlock();
        Handle(request);
        lock.lock();
        handled_ = request.generation;
        if (!pending_)
            settled_.notify_all();
    }
    lock.unlock();
    sink_.reset();
}

void Player::Handle(const Request& request)
{
    // What sounds gives way before any file is touched.
    if (sink_)
        sink_->Play(nullptr, false);
    EnsureOutput();
    if (!sink_)
        return;
    const auto sound = Read(request);
    if (!sound)
        return;
    if (*sound) {
        sink_->Play(*sound, request.loop);
        return;
    }
    if (!request.alert)
        return;
    {
        std::lock_guard lock(stats_mutex_);
        ++stats_.fallbacks;
    }
    if (!alert_)
        alert_ = std::make_shared<const Pcm>(MakeFallbackAlert(48000));
    // The alert sounds once, even in place of a looped file.
    sink_->Play(alert_, false);
}

// A better output than the one in use is tried at every request; a lost
// one is closed before any other opens, since it may still hold the device.
void Player::EnsureOutput()
{
    if (sink_ && !sink_->Healthy())
        sink_.reset();
    const std::size_t tried = sink_ ? sink_rank_ : outputs_.size();
    for (std::size_t rank = 0; rank < tried; ++rank) {
        if (auto sink = outputs_[rank]()) {
            sink_ = std::move(sink);
            sink_rank_ = rank;
            std::lock_guard lock(stats_mutex_);
            ++stats_.opens;
            break;
        }
    }
    if (!sink_)
        ReportNoOutput();
    std::lock_guard lock(stats_mutex_);
    stats_.open = sink_ != nullptr;
}

std::optional<std::shared_ptr<const Pcm>> Player::Read(const Request& request)
{
    const std::string native = linux_paths::ToNative(request.path);
    if (const auto stamp = StampOf(native))
        if (auto sound = cache_.Find(*stamp))
            return sound;
    Pcm pcm;
    FileStamp stamp;
    const auto moot = [&] { return posted_ != request.generation || quit_; };
    const DecodeStatus status = DecodeFile(native, pcm, moot, DecodeLimits{}, &stamp);
    if (status == DecodeStatus::Cancelled)
        return std::nullopt;
    if (status != DecodeStatus::Ok)
        return nullptr;
    auto sound = std::make_shared<const Pcm>(std::move(pcm));
    cache_.Insert(stamp, sound);
    std::lock_guard lock(stats_mutex_);
    ++stats_.decodes;
    stats_.cached_bytes = cache_.Bytes();
    return sound;
}

} // namespace tk::linux_sound
