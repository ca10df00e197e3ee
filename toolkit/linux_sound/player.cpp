#include "toolkit/linux_sound/player.h"

#include "toolkit/linux/native_path.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tk::linux_sound {

namespace {

// A whole set, replayed without reading it again (a read takes about a
// millisecond and a half): the six notes of a recorded set take 2.0 MiB
// decoded, and the reset sound is beside them; more is memory held for
// nothing.
constexpr std::size_t kCacheBudgetBytes = std::size_t{5} << 19;
// How often a better output is tried while a loop sounds on a lesser one.
constexpr double kRetrySeconds = 0.5;
std::atomic<bool> verbose{false};

std::vector<SinkOpener> ThisMachine()
{
    return {[] { return OpenPulseSink(0.0); }, [] { return OpenAlsaSink(kStayReadySeconds); }};
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

void SetVerbose(bool on) { verbose = on; }
bool Verbose() { return verbose; }

struct Player::Shared {
    explicit Shared(std::vector<SinkOpener> openers) : outputs(std::move(openers)) {}

    const std::vector<SinkOpener> outputs;
    std::mutex mutex; // guards all that follows
    std::condition_variable changed;
    std::optional<Request> pending;
    std::uint64_t posted = 0;
    std::uint64_t handled = 0;
    bool quit = false;
    Stats stats;
    // The opener tries the outputs ranked below this; 0 when none is wanted.
    std::size_t open_below = 0;
    bool opening = false;
    bool opener_done = false;
    std::unique_ptr<Sink> opened; // for the worker to take
    std::size_t opened_rank = 0;
    bool lost = false;    // an output said it has gone
    bool working = false; // the worker is busy outside the lock

    void Want(std::size_t below)
    {
        open_below = std::max(open_below, below);
        changed.notify_all();
    }
    bool Settled() const
    {
        return handled == posted && open_below == 0 && !opening && !opened && !lost && !working;
    }
};

Player::Player(std::vector<SinkOpener> outputs)
    : shared_(std::make_shared<Shared>(outputs.empty() ? ThisMachine() : std::move(outputs))),
      cache_(kCacheBudgetBytes)
{
}

Player::~Player()
{
    std::unique_lock lock(shared_->mutex);
    shared_->quit = true;
    shared_->changed.notify_all();
    lock.unlock();
    if (worker_.joinable())
        worker_.join();
    if (!opener_.joinable())
        return;
    // An open that does not return is left to end with the process.
    lock.lock();
    if (shared_->changed.wait_for(lock, std::chrono::duration<double>(kAnswerSeconds),
                                  [&] { return shared_->opener_done; }))
        opener_.join();
    else
        opener_.detach();
}

int Player::sndPlaySoundA(const std::string& path, unsigned flags)
{
    // Started here, on the one thread that calls.
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { Run(); });
        opener_ = std::thread([shared = shared_] { Open(shared); });
    }
    std::lock_guard lock(shared_->mutex);
    shared_->pending =
        Request{path, (flags & kPlayLoop) != 0, (flags & kPlayNoDefault) == 0, ++shared_->posted};
    shared_->changed.notify_all();
    return 1;
}

void Player::WaitUntilSettled()
{
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait(lock, [&] { return shared_->Settled(); });
}

Player::Stats Player::GetStats() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->stats;
}

// The opener's thread: opens what the worker wants, best first.
void Player::Open(std::shared_ptr<Shared> shared)
{
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->quit || shared->open_below > 0; });
        if (shared->quit)
            break;
        const std::size_t below = std::min(shared->open_below, shared->outputs.size());
        shared->open_below = 0;
        shared->opening = true;
        lock.unlock();
        std::unique_ptr<Sink> sink;
        std::size_t rank = 0;
        for (; rank < below && !sink; ++rank)
            sink = shared->outputs[rank]();
        if (!sink && below == shared->outputs.size()) {
            static std::once_flag once;
            std::call_once(once,
                           [] { std::fputs("tarvisk: no audio output device, sound is off\n", stderr); });
        }
        lock.lock();
        shared->opening = false;
        if (sink) {
            std::swap(shared->opened, sink);
            shared->opened_rank = rank - 1;
            ++shared->stats.opens;
        }
        shared->changed.notify_all();
        // One not taken is closed outside the lock.
        lock.unlock();
        sink.reset();
        lock.lock();
    }
    shared->opener_done = true;
    shared->changed.notify_all();
}

void Player::Run()
{
    Shared& shared = *shared_;
    std::unique_lock lock(shared.mutex);
    for (;;) {
        const auto woken = [&] { return shared.quit || shared.pending || shared.opened || shared.lost; };
        // While a loop sounds on less than the best output, the better ones
        // are tried again now and then: a server that restarts is found.
        if (sounding_.loop && (!sink_ || sink_rank_ > 0)) {
            if (!shared.changed.wait_for(lock, std::chrono::duration<double>(kRetrySeconds), woken)) {
                shared.Want(sink_ ? sink_rank_ : shared.outputs.size());
                continue;
            }
        } else {
            shared.changed.wait(lock, woken);
        }
        if (shared.quit)
            break;
        shared.working = true;
        if (shared.opened) {
            auto sink = std::move(shared.opened);
            const std::size_t rank = shared.opened_rank;
            lock.unlock();
            Adopt(std::move(sink), rank);
            lock.lock();
        } else if (shared.lost) {
            shared.lost = false;
            lock.unlock();
            const bool gone = sink_ && !sink_->Healthy();
            if (gone)
                Drop();
            lock.lock();
            if (gone)
                shared.Want(shared.outputs.size());
        } else if (shared.pending) {
            const Request request = std::move(*shared.pending);
            shared.pending.reset();
            lock.unlock();
            Handle(request);
            lock.lock();
            shared.handled = request.generation;
        }
        shared.working = false;
        shared.stats.open = sink_ != nullptr;
        shared.changed.notify_all();
    }
    lock.unlock();
    if (sink_)
        sink_->Close();
    sink_.reset();
}

void Player::Handle(const Request& request)
{
    // What sounds gives way before a file is read; a kept one replaces it
    // at once.
    std::shared_ptr<const Pcm> kept;
    if (const auto stamp = sndfile::StampOf(linux_paths::ToNative(request.path)))
        kept = cache_.Find(*stamp);
    if (sink_ && !kept)
        sink_->Play(nullptr, false);
    if (sink_ && !sink_->Healthy())
        Drop();
    {
        std::lock_guard lock(shared_->mutex);
        if (!sink_ || sink_rank_ > 0)
            shared_->Want(sink_ ? sink_rank_ : shared_->outputs.size());
    }
    const auto sound = kept ? std::optional(kept) : Read(request);
    if (!sound)
        return;
    std::shared_ptr<const Pcm> play = *sound;
    bool loop = request.loop;
    if (!play && request.alert) {
        if (!alert_)
            alert_ = std::make_shared<const Pcm>(MakeFallbackAlert(48000));
        // Once, even in place of a looped file.
        play = alert_;
        loop = false;
        std::lock_guard lock(shared_->mutex);
        ++shared_->stats.fallbacks;
    }
    sounding_ = {play, loop && play != nullptr, sink_ != nullptr};
    if (sink_ && play)
        sink_->Play(play, loop);
}

// A new output takes over from the old, and what sounds, or was asked for
// while none was open, sounds there.
void Player::Adopt(std::unique_ptr<Sink> sink, std::size_t rank)
{
    Drop();
    sink_ = std::move(sink);
    sink_rank_ = rank;
    if (Verbose())
        if (const std::string what = sink_->Describe(); !what.empty())
            std::fprintf(stderr, "tarvisk: %s\n", what.c_str());
    sink_->Watch([shared = std::weak_ptr<Shared>(shared_)] {
        if (const auto alive = shared.lock()) {
            std::lock_guard lock(alive->mutex);
            alive->lost = true;
            alive->changed.notify_all();
        }
    });
    if (sounding_.sound && (sounding_.loop || !sounding_.heard)) {
        sink_->Play(sounding_.sound, sounding_.loop);
        sounding_.heard = true;
    }
}

// A lost output is closed before any other opens: it may still hold the device.
void Player::Drop()
{
    if (!sink_)
        return;
    sink_->Close();
    sink_.reset();
}
std::optional<std::shared_ptr<const Pcm>> Player::Read(const Request& request)
{
    const std::string native = linux_paths::ToNative(request.path);
    Pcm pcm;
    FileStamp stamp;
    const auto moot = [&] {
        std::lock_guard lock(shared_->mutex);
        return shared_->posted != request.generation || shared_->quit;
    };
    const auto status = sndfile::DecodeFile(native, pcm, moot, {}, &stamp);
    if (status == sndfile::DecodeStatus::Cancelled)
        return std::nullopt;
    if (status != sndfile::DecodeStatus::Ok)
        return nullptr;
    auto sound = std::make_shared<const Pcm>(std::move(pcm));
    cache_.Insert(stamp, sound);
    std::lock_guard lock(shared_->mutex);
    ++shared_->stats.decodes;
    return sound;
}

} // namespace tk::linux_sound
