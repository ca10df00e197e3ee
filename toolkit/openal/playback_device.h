#pragma once
// What the sound worker needs of an open output device. OpenAL's is one; a
// test's device that fails on demand is another. Opened, used and destroyed
// on the worker thread.

#include "toolkit/openal/wav_decoder.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tk::openal {

class PlaybackDevice {
public:
    virtual ~PlaybackDevice() = default;

    // False once the device is lost (the sound server went away).
    virtual bool Connected() = 0;
    // The mixing period in frames, 0 when unknown.
    virtual int PeriodFrames() const = 0;

    // A buffer holding the sound; 0 when it cannot be made.
    virtual std::uint32_t Upload(const Pcm& pcm) = 0;
    virtual void Release(std::uint32_t buffer) = 0;
    // The alert that sounds for an unplayable file; 0 when there is none.
    virtual std::uint32_t Fallback() = 0;

    // Brings what sounds to silence over one mixing period, without a cut.
    virtual void FadeOut() = 0;
    // Starts a buffer; after a fade it sounds only once the fade is over.
    virtual void Start(std::uint32_t buffer, bool loop) = 0;
    // Stops the faded sound for good (it is silent already).
    virtual void StopFaded() = 0;
    virtual bool Playing() = 0;
    virtual double PlayedSeconds() = 0;

    // Rests the device while nothing sounds; Start wakes it.
    virtual void PauseIfIdle() = 0;
    virtual bool Paused() const = 0;
    virtual bool CanPause() const = 0;
};

using DeviceOpener = std::function<std::unique_ptr<PlaybackDevice>()>;

} // namespace tk::openal
