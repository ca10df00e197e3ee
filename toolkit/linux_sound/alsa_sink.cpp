// The output where no sound server runs: ALSA's default device, written with
// snd_pcm_writei in 16-bit stereo at 48 kHz (ALSA's plug layer converts for a
// device that wants otherwise).
//
// The device holds a quarter of a second, so a writer that is not run for a
// while leaves no gap. A request does not wait behind it: the writer takes
// back what the device lets it (snd_pcm_rewind) but the few milliseconds it
// may be reading, and the mixer fades from exactly those frames.
//
// Threading: a writer thread of the sink's own renders the mixer into the
// device, and it alone touches the device while it runs. It never blocks:
// writes are non-blocking, and it waits in poll on the device and on an
// eventfd that a request or the end writes to. Once the mixer rests, the
// writer closes the device, so that others may have it, and ends; Play then
// opens it again and starts a new writer.

#include "toolkit/linux_sound/libraries.h"
#include "toolkit/linux_sound/mixer.h"
#include "toolkit/linux_sound/sink.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tk::linux_sound {

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kLatencyMicroseconds = 250000;
// Not taken back: the device may be reading it.
constexpr double kKeepSeconds = 0.01;
// Some devices (ALSA's null, a file) take frames as fast as they come: the
// writer keeps to the clock itself, never further ahead than this.
constexpr double kAheadSeconds = 0.5;
// The longest the writer waits in one poll.
constexpr int kPollMilliseconds = 100;

class AlsaSink final : public Sink {
public:
    AlsaSink(const AlsaLibrary& alsa, double rest_after)
        : alsa_(alsa), mixer_(kRate, rest_after, kAheadSeconds + 2.0 * kLatencyMicroseconds * 1e-6),
          wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    {
    }
    ~AlsaSink() override
    {
        Join();
        if (wake_ >= 0)
            close(wake_);
    }

    bool Start();
    bool Healthy() override { return !failed_; }
    void Play(std::shared_ptr<const Pcm> sound, bool loop) override;
    void Close() override;
    std::string Describe() override;

private:
    struct Request {
        std::shared_ptr<const Pcm> sound;
        bool loop;
    };
    void Join();
    void Wake() const;
    void Run();
    void Replace(Request request);
    // False once the device is lost.
    bool Write(const std::vector<std::int16_t>& frames, snd_pcm_uframes_t count);

    const AlsaLibrary& alsa_;
    Mixer mixer_;
    const int wake_;
    snd_pcm_t* pcm_ = nullptr;
    snd_pcm_uframes_t buffer_ = 0;
    snd_pcm_uframes_t period_ = 0;
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable taken_;
    std::optional<Request> request_; // guarded by mutex_, as are the two below
    bool running_ = false;
    bool woken_ = false; // a sound came while the writer was deciding to rest
    std::atomic<bool> quit_{false};
    std::atomic<bool> failed_{false};
};

// Opens the device, without blocking on one that another program holds, and
// starts the writer; false when the device cannot be had.
bool AlsaSink::Start()
{
    Join();
    if (wake_ < 0 || alsa_.snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    if (alsa_.snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2, kRate, 1,
                                 kLatencyMicroseconds) < 0 ||
        alsa_.snd_pcm_get_params(pcm_, &buffer_, &period_) < 0 || period_ == 0) {
        alsa_.snd_pcm_close(pcm_);
        return false;
    }
    running_ = true;
    writer_ = std::thread([this] { Run(); });
    return true;
}

void AlsaSink::Join()
{
    quit_ = true;
    Wake();
    if (writer_.joinable())
        writer_.join();
    quit_ = false;
}

void AlsaSink::Wake() const
{
    const std::uint64_t one = 1;
    if (wake_ >= 0)
        (void)!write(wake_, &one, sizeof one);
}

std::string AlsaSink::Describe()
{
    return "ALSA default device at " + std::to_string(kRate) + " Hz: buffer " +
        std::to_string(buffer_ * 1000 / kRate) + " ms, period " + std::to_string(period_ * 1000 / kRate) +
        " ms";
}

void AlsaSink::Play(std::shared_ptr<const Pcm> sound, bool loop)
{
    const bool wake = sound != nullptr;
    std::unique_lock lock(mutex_);
    if (!running_ && !wake) {
        mixer_.Play(nullptr, false);
        return;
    }
    request_ = Request{std::move(sound), loop};
    woken_ = wake;
    if (running_) {
        lock.unlock();
        Wake();
        return;
    }
    lock.unlock();
    if (!Start())
        failed_ = true;
}

// Ends what sounds and waits, bounded, for its fade to be played.
void AlsaSink::Close()
{
    Play(nullptr, false);
    std::unique_lock lock(mutex_);
    if (!taken_.wait_for(lock, std::chrono::milliseconds(kPollMilliseconds),
                         [&] { return !request_ || !running_; }) ||
        !running_)
        return;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::duration<double>(kKeepSeconds + kFadeSeconds + 0.01));
}

// In the writer: the frames the device has not yet played are taken back
// but the few it may be reading, and the sound starts after those.
void AlsaSink::Replace(Request request)
{
    const snd_pcm_sframes_t rewindable = alsa_.snd_pcm_rewindable(pcm_);
    const auto keep = static_cast<snd_pcm_sframes_t>(kKeepSeconds * kRate);
    snd_pcm_sframes_t back = 0;
    if (rewindable > keep)
        back = std::max<snd_pcm_sframes_t>(
            0, alsa_.snd_pcm_rewind(pcm_, static_cast<snd_pcm_uframes_t>(rewindable - keep)));
    const std::uint64_t next = mixer_.Next();
    mixer_.PlayAt(std::move(request.sound), request.loop, next - std::min<std::uint64_t>(next, back));
}

void AlsaSink::Run()
{
    std::vector<float> mix(2 * period_);
    std::vector<std::int16_t> out(2 * period_);
    const int count = std::max(0, alsa_.snd_pcm_poll_descriptors_count(pcm_));
    std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
    fds[0] = {wake_, POLLIN, 0};
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t written = 0;
    bool keep = true;
    while (!quit_) {
        std::optional<Request> request;
        {
            std::lock_guard lock(mutex_);
            request.swap(request_);
        }
        if (request) {
            Replace(std::move(*request));
            keep = true;
            taken_.notify_all();
        }
        snd_pcm_sframes_t room = alsa_.snd_pcm_avail_update(pcm_);
        // An underrun or a suspend is mended; anything else loses the device.
        if (room < 0 && alsa_.snd_pcm_recover(pcm_, static_cast<int>(room), 1) < 0) {
            failed_ = true;
            break;
        }
        const auto ahead = std::chrono::duration<double>(written / double{kRate} - kAheadSeconds);
        const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(ahead);
        const auto now = std::chrono::steady_clock::now();
        if (room >= static_cast<snd_pcm_sframes_t>(period_) && now >= due) {
            keep = mixer_.Render(mix.data(), period_);
            std::transform(mix.begin(), mix.end(), out.begin(),
                           [](float v) { return static_cast<std::int16_t>(std::lrint(v * 32767.0f)); });
            if (!Write(out, period_)) {
                failed_ = true;
                break;
            }
            written += period_;
            std::lock_guard lock(mutex_);
            if (!keep && !woken_ && !request_) {
                running_ = false;
                break;
            }
            woken_ = false;
            continue;
        }
        // Until the device has room, a request comes, or the clock is due.
        int timeout = kPollMilliseconds;
        if (now < due)
            timeout = std::min<int>(
                timeout,
                static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()) +
                    1);
        if (count > 0)
            alsa_.snd_pcm_poll_descriptors(pcm_, fds.data() + 1, static_cast<unsigned>(count));
        poll(fds.data(), fds.size(), timeout);
        std::uint64_t drained = 0;
        (void)!read(wake_, &drained, sizeof drained);
    }
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    taken_.notify_all();
    alsa_.snd_pcm_close(pcm_);
    mixer_.Collect();
}

bool AlsaSink::Write(const std::vector<std::int16_t>& frames, snd_pcm_uframes_t count)
{
    const std::int16_t* at = frames.data();
    for (int tries = 0; count > 0 && tries < 4 && !quit_; ++tries) {
        const snd_pcm_sframes_t written = alsa_.snd_pcm_writei(pcm_, at, count);
        if (written == -EAGAIN)
            continue;
        if (written < 0 && alsa_.snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0)
            return false;
        if (written > 0) {
            at += 2 * written;
            count -= static_cast<snd_pcm_uframes_t>(written);
        }
    }
    return true;
}

} // namespace

std::unique_ptr<Sink> OpenAlsaSink(double rest_after_seconds)
{
    const AlsaLibrary* alsa = LoadAlsa();
    if (alsa == nullptr)
        return nullptr;
    auto sink = std::make_unique<AlsaSink>(*alsa, rest_after_seconds);
    if (!sink->Start())
        return nullptr;
    return sink;
}

} // namespace tk::linux_sound
