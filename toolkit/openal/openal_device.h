#pragma once
// One open OpenAL output: the device, its context (current on the thread
// that opened it), two sources and the fallback alert. Made, used and
// destroyed on that one thread.
//
// A new sound never cuts the old one: the old source's gain goes to zero,
// which OpenAL Soft ramps over its next mixing period, and the new source
// starts on a silent lead of one period, so it sounds once the old one is
// silent. The file itself follows the lead untouched; loop points keep the
// lead out of the loop, so the seam stays sample-exact. Every sound starts
// on its lead, from silence too: a later start would be faded in.

#include "toolkit/openal/al_owners.h"
#include "toolkit/openal/playback_device.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tk::openal {

class OpenAlDevice final : public PlaybackDevice {
public:
    // The default device (empty name) or a named one, asked to mix at the
    // rate of the sound library; empty when none opens.
    static std::unique_ptr<OpenAlDevice> Open(const std::string& name);
    // A device that mixes into memory, stereo float at `frequency`, in
    // periods of `period_frames`; empty without the loopback extension.
    static std::unique_ptr<OpenAlDevice> OpenLoopback(int frequency, int period_frames);
    ~OpenAlDevice() override;
    OpenAlDevice(const OpenAlDevice&) = delete;
    OpenAlDevice& operator=(const OpenAlDevice&) = delete;

    ALCdevice* Handle() const { return device_.get(); }

    bool Connected() override;
    int PeriodFrames() const override { return period_frames_; }
    std::uint32_t Upload(const Pcm& pcm) override;
    void Release(std::uint32_t buffer) override;
    std::uint32_t Fallback() override { return fallback_.get(); }
    void FadeOut() override;
    void Start(std::uint32_t buffer, bool loop) override;
    void StopFaded() override;
    bool Playing() override;
    double PlayedSeconds() override;
    void PauseIfIdle() override;
    bool Paused() const override { return paused_; }
    bool CanPause() const override { return can_pause_; }

private:
    OpenAlDevice(DevicePtr device, bool loopback, const ALCint* attributes, int period_frames);
    bool Ready() const { return static_cast<bool>(sources_[1]); }
    // Silent frames before a sound at `rate`: one mixing period.
    ALint LeadFrames(int rate) const;
    std::uint32_t UploadFrames(const std::vector<std::int16_t>& samples, int rate);
    static void Detach(ALuint source);
    void ReleaseUnused();

    DevicePtr device_;
    ThreadContext context_;
    Buffer fallback_;
    std::array<Source, 2> sources_;
    int current_ = 0;            // the source that sounds, or sounds next
    bool fading_ = false;        // the other one is fading, or silent and not yet stopped
    std::vector<ALuint> doomed_; // released while a source still held them
    bool loopback_ = false;
    bool can_pause_ = false;
    bool can_disconnect_ = false;
    bool loop_points_ = false;
    bool paused_ = false;
    int frequency_ = 44100;
    int period_frames_ = 0;
};

} // namespace tk::openal
