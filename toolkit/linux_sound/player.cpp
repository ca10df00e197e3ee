#include "toolkit/linux_sound/player.h"

#include "toolkit/linux/native_path.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tk::linux_sound {

namespace {

// The notes of a few strings, replayed without reading them again (a read
// takes about a millisecond and a half); more is memory held for nothing.
constexpr std::size_t kCacheBudgetBytes = std::size_t{1} << 20;

std::vector<SinkOpener> ThisMachine()
{
    return {[] { return OpenPulseSink(kStayReadySeconds); }, [] { return OpenAlsaSink(kStayReadySeconds); }};
}

// The alert, mono at `rate`.
Pcm MakeFallbackAlert(int rate)
{
    const auto frames = static_cast<std::size_t>(kFallbackAlertSeconds * rate);
    Pcm out{rate, 1, std::vector<std::int16_t>(frames)};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double w = 2.0 * std::numbers::pi * kFallbackAlertHz * t;
        // Ramps at both ends keep the alert itself free of clicks.
        const double ramp = std::min(
            {1.0, static_cast<double>(i) / (0.003 * rate), static_cast<double>(frames - i) / (0.02 * rate)});
        const double v = (std::sin(w) + 0.3 * std::sin(2.0 * w)) * std::exp(-t / 0.08) * ramp;
        out.samples[i] = static_cast<std::int16_t>(std::lround(0.35 * 32767.0 * v));
    }
    return out;
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
    // Started here, on the one thread that calls.
    if (!worker_.joinable())
        worker_ = std::thread([this] { Run(); });
    {
        std::lock_guard lock(mutex_);
        pending_ = Request{path, (flags & kPlayLoop) != 0, (flags & kPlayNoDefault) == 0, ++posted_};
    }
    wake_.notify_one();
    return 1;
}

void Player::WaitUntilSettled()
{
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [&] { return handled_ == posted_; });
}

Player::Stats Player::GetStats() const
{
    std::lock_guard lock(mutex_);
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
    const auto sound = sink_ ? Read(request) : std::nullopt;
    if (!sound)
        return;
    if (*sound) {
        sink_->Play(*sound, request.loop);
    } else if (request.alert) {
        if (!alert_)
            alert_ = std::make_shared<const Pcm>(MakeFallbackAlert(48000));
        // Once, even in place of a looped file.
        sink_->Play(alert_, false);
        std::lock_guard lock(mutex_);
        ++stats_.fallbacks;
    }
}

// A lost output is closed before any other opens: it may still hold the device.
void Player::EnsureOutput()
{
    if (sink_ && !sink_->Healthy())
        sink_.reset();
    const std::size_t better = sink_ ? sink_rank_ : outputs_.size();
    for (std::size_t rank = 0; rank < better; ++rank) {
        if (auto sink = outputs_[rank]()) {
            sink_ = std::move(sink);
            sink_rank_ = rank;
            std::lock_guard lock(mutex_);
            ++stats_.opens;
            break;
        }
    }
    if (!sink_) {
        static std::once_flag once;
        std::call_once(once, [] { std::fputs("tarvisk: no audio output device, sound is off\n", stderr); });
    }
    std::lock_guard lock(mutex_);
    stats_.open = sink_ != nullptr;
}

std::optional<std::shared_ptr<const Pcm>> Player::Read(const Request& request)
{
    const std::string native = linux_paths::ToNative(request.path);
    if (const auto stamp = sndfile::StampOf(native))
        if (auto sound = cache_.Find(*stamp))
            return sound;
    Pcm pcm;
    FileStamp stamp;
    const auto moot = [&] {
        std::lock_guard lock(mutex_);
        return posted_ != request.generation || quit_;
    };
    const auto status = sndfile::DecodeFile(native, pcm, moot, {}, &stamp);
    if (status == sndfile::DecodeStatus::Cancelled)
        return std::nullopt;
    if (status != sndfile::DecodeStatus::Ok)
        return nullptr;
    auto sound = std::make_shared<const Pcm>(std::move(pcm));
    cache_.Insert(stamp, sound);
    std::lock_guard lock(mutex_);
    ++stats_.decodes;
    return sound;
}

} // namespace tk::linux_sound
