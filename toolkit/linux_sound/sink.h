#pragma once
// An open output playing what its mixer renders: the sound server's stream,
// ALSA's default device, or a test's memory. Used by the sound worker alone.

#include "toolkit/sndfile/wav_decoder.h"

#include <functional>
#include <memory>

namespace tk::linux_sound {

using sndfile::Pcm;

class Sink {
public:
    virtual ~Sink() = default;
    // False once the server or device has gone: a new sink takes its place.
    virtual bool Healthy() = 0;
    // Plays `sound` in place of what sounds (nullptr: nothing), waking the
    // output where it rests.
    virtual void Play(std::shared_ptr<const Pcm> sound, bool loop) = 0;
};

// Opens a sink; nullptr when there is no such output.
using SinkOpener = std::function<std::unique_ptr<Sink>()>;

// This machine's outputs, best first; each rests once nothing has sounded
// for `rest_after_seconds`.
std::unique_ptr<Sink> OpenPulseSink(double rest_after_seconds);
std::unique_ptr<Sink> OpenAlsaSink(double rest_after_seconds);

} // namespace tk::linux_sound
