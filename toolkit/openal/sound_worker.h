#pragma once
// The thread behind the sound output: it takes play requests, decodes and
// caches files, and plays them on a device it opens itself.
//
// - The latest request wins over any still waiting or being decoded.
// - A lost device (the sound server went away) is closed and opened again
//   at the next request, the cached sounds uploaded anew, and that request
//   sounds. While none opens, requests are silent; one stderr line says so.
// - With nothing sounding the device rests, so an idle program costs no CPU.

#include "toolkit/openal/playback_device.h"
#include "toolkit/openal/sound_cache.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tk::openal {

struct SoundStats {
    bool device_open = false;
    bool device_paused = false;
    std::uint64_t decodes = 0;   // files read and decoded
    std::uint64_t fallbacks = 0; // alerts sounded for unplayable files
    std::uint64_t opens = 0;     // devices opened, the first included
    std::size_t cached_bytes = 0;
    int period_frames = 0; // the device's mixing period
};

class SoundWorker {
public:
    // `timed`: the device mixes on its own clock, so a faded sound is stopped
    // and an ended one lets the device rest after a while. A loopback device
    // mixes only when asked, so there nothing happens by the clock.
    SoundWorker(DeviceOpener open, bool timed);
    ~SoundWorker();
    SoundWorker(const SoundWorker&) = delete;
    SoundWorker& operator=(const SoundWorker&) = delete;

    void Post(const std::string& path, bool loop, bool alert);
    // Until the first device is open (or known to be absent) and every
    // request so far has started playing or been dropped.
    void WaitUntilSettled();
    SoundStats GetStats() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Request {
        std::string path;
        bool loop = false;
        bool alert = true; // sound the fallback for an unplayable file
        std::uint64_t generation = 0;
    };

    void Run();
    bool OpenDevice();
    void EnsureDevice();
    void Handle(const Request& request);
    void Start(const SoundCache::Entry& sound, bool loop);
    void OnDeadline();
    void PauseIfIdle();
    void Teardown();
    std::optional<Clock::time_point> NextDeadline() const;

    const DeviceOpener open_;
    const bool timed_;

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
    std::atomic<std::uint64_t> opens_{0};
    std::atomic<std::size_t> cached_bytes_{0};
    std::atomic<int> period_frames_{0};

    // The worker's own; the cache's buffers go before the device.
    std::unique_ptr<PlaybackDevice> device_;
    SoundCache cache_;
    bool watch_end_ = false;
    double current_seconds_ = 0.0;
    Clock::time_point end_deadline_{};
    std::optional<Clock::time_point> fade_deadline_;

    std::thread thread_;
};

} // namespace tk::openal
