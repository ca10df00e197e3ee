#pragma once
// An open output playing what its mixer renders: the sound server's stream,
// ALSA's default device, or a test's memory. Used by the sound worker alone,
// but for Watch's call, which may come on any thread.

#include "toolkit/sndfile/wav_decoder.h"

#include <functional>
#include <memory>
#include <string>

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
    // Ends what sounds with its fade, and returns once that has been heard
    // or a short while has passed: the sink is then closed.
    virtual void Close() { Play(nullptr, false); }
    // `lost` is called, once, when the output goes, so that it is replaced
    // without waiting for a request.
    virtual void Watch(std::function<void()> lost) { (void)lost; }
    // What was opened, as --verbose prints it.
    virtual std::string Describe() { return {}; }
};

// Opens a sink; nullptr when there is no such output.
using SinkOpener = std::function<std::unique_ptr<Sink>()>;

// This machine's outputs, best first; each rests once nothing has sounded
// for `rest_after_seconds`. The server's stream waits no longer than
// kAnswerSeconds for an answer; ALSA's open may block without bound (its
// pulse plugin waits on a server), so the player opens outputs off its
// requests' way.
inline constexpr double kAnswerSeconds = 0.4;
std::unique_ptr<Sink> OpenPulseSink(double rest_after_seconds);
std::unique_ptr<Sink> OpenAlsaSink(double rest_after_seconds);

// --verbose: what each output was granted is printed on stderr, and each
// time the output ran out of frames.
void SetVerbose(bool on);
bool Verbose();

} // namespace tk::linux_sound
