// The output where no sound server runs: ALSA's default device, written with
// snd_pcm_writei in 16-bit stereo at 48 kHz (ALSA's plug layer converts for a
// device that wants otherwise).
//
// Threading: a writer thread of the sink's own renders the mixer into the
// device, blocking in snd_pcm_writei, and it alone touches the device while
// it runs. Once the mixer rests, the writer closes the device, so that others
// may have it, and ends; Play then opens it again and starts a new writer.

#include "toolkit/linux_sound/libraries.h"
#include "toolkit/linux_sound/mixer.h"
#include "toolkit/linux_sound/sink.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

namespace tk::linux_sound {

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kLatencyMicroseconds = 20000;
// Some devices (ALSA's null, a file) take frames as fast as they come: the
// writer keeps to the clock itself, never further ahead than this.
constexpr double kAheadSeconds = 0.5;

class AlsaSink final : public Sink {
public:
    AlsaSink(const AlsaLibrary& alsa, double rest_after) : alsa_(alsa), mixer_(kRate, rest_after) {}
    ~AlsaSink() override { Join(); }

    bool Start();
    bool Healthy() override { return !failed_; }
    void Play(std::shared_ptr<const Pcm> sound, bool loop) override;

private:
    void Join();
    void Run();
    bool Write(const std::int16_t* frames, snd_pcm_uframes_t count);

    const AlsaLibrary& alsa_;
    Mixer mixer_;
    snd_pcm_t* pcm_ = nullptr;
    snd_pcm_uframes_t period_ = 0;
    std::thread writer_;
    std::mutex mutex_;
    bool running_ = false; // guarded by mutex_, as is woken_
    bool woken_ = false;   // a sound came while the writer was deciding to rest
    std::atomic<bool> quit_{false};
    std::atomic<bool> failed_{false};
};

// Opens the device, without blocking on one that another program holds, and
// starts the writer; false when the device cannot be had.
bool AlsaSink::Start()
{
    Join();
    snd_pcm_uframes_t buffer = 0;
    if (alsa_.snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    if (alsa_.snd_pcm_nonblock(pcm_, 0) < 0 ||
        alsa_.snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2, kRate, 1,
                                 kLatencyMicroseconds) < 0 ||
        alsa_.snd_pcm_get_params(pcm_, &buffer, &period_) < 0 || period_ == 0) {
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
    if (writer_.joinable())
        writer_.join();
    quit_ = false;
}

void AlsaSink::Play(std::shared_ptr<const Pcm> sound, bool loop)
{
    const bool wake = sound != nullptr;
    mixer_.Play(std::move(sound), loop);
    std::unique_lock lock(mutex_);
    woken_ = wake;
    if (!wake || running_)
        return;
    lock.unlock();
    if (!Start())
        failed_ = true;
}

void AlsaSink::Run()
{
    std::vector<float> mix(2 * period_);
    std::vector<std::int16_t> out(2 * period_);
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t written = 0;
    while (!quit_) {
        const bool keep = mixer_.Render(mix.data(), period_);
        std::transform(mix.begin(), mix.end(), out.begin(),
                       [](float v) { return static_cast<std::int16_t>(std::lrint(v * 32767.0f)); });
        const bool wrote = Write(out.data(), period_);
        failed_ = !wrote;
        written += period_;
        std::this_thread::sleep_until(
            start +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(written / double{kRate} - kAheadSeconds)));
        std::lock_guard lock(mutex_);
        if (!wrote || (!keep && !woken_)) {
            running_ = false;
            break;
        }
        woken_ = false;
    }
    alsa_.snd_pcm_close(pcm_);
}

bool AlsaSink::Write(const std::int16_t* frames, snd_pcm_uframes_t count)
{
    while (count > 0 && !quit_) {
        const snd_pcm_sframes_t written = alsa_.snd_pcm_writei(pcm_, frames, count);
        // An underrun or a suspend is mended; anything else loses the device.
        if (written < 0 && alsa_.snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0)
            return false;
        if (written > 0) {
            frames += 2 * written;
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
