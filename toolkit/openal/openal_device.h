#pragma once
// One open OpenAL output: the device, its context (current on the thread
// that opened it), the one source and the fallback alert. Made, used and
// destroyed on that one thread.

#include "toolkit/openal/al_owners.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tk::openal {

class OpenAlDevice {
public:
    // The default device (empty name) or a named one; empty when none opens.
    static std::unique_ptr<OpenAlDevice> Open(const std::string& name);
    // A device that mixes into memory, stereo float at `frequency`; empty
    // without the loopback extension.
    static std::unique_ptr<OpenAlDevice> OpenLoopback(int frequency);
    ~OpenAlDevice();
    OpenAlDevice(const OpenAlDevice&) = delete;
    OpenAlDevice& operator=(const OpenAlDevice&) = delete;

    ALCdevice* Handle() const { return device_.get(); }
    int PeriodFrames() const { return period_frames_; }

    // A buffer of interleaved 16-bit stereo; 0 when it cannot be made.
    std::uint32_t Upload(const std::vector<std::int16_t>& samples, int rate);
    void Release(std::uint32_t buffer);
    std::uint32_t Fallback() const { return fallback_.get(); }

    // Stops what sounds and lets go of its buffer.
    void Stop();
    void Play(std::uint32_t buffer, bool loop);
    bool Playing() const;
    double PlayedSeconds() const;

    bool CanPause() const { return can_pause_; }
    bool Paused() const { return paused_; }
    // Rests the device while nothing sounds.
    void PauseIfIdle();

private:
    OpenAlDevice(DevicePtr device, bool loopback, const ALCint* attributes);
    bool Ready() const { return static_cast<bool>(source_); }

    DevicePtr device_;
    ThreadContext context_;
    Buffer fallback_;
    Source source_;
    bool loopback_ = false;
    bool can_pause_ = false;
    bool paused_ = false;
    int period_frames_ = 0;
};

} // namespace tk::openal
