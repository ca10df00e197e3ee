#pragma once
// The Linux sound output: OpenAL Soft plays, libsndfile decodes.
//
// - sndPlaySoundA returns at once; a worker thread (sound_worker.h) opens the
//   device, decodes and plays, and opens it again when it is lost. Every
//   request fades out what sounds before anything else, and the latest
//   request wins over any still waiting or being decoded.
// - One sound at a time, never cut mid-wave: the old one is silent before the
//   new one starts (openal_device.h). A loop repeats its file sample-exactly.
// - A missing or unplayable file sounds a short built-in alert instead.
// - Decoded files stay cached (bounded in bytes) for instant replay.
// - With nothing sounding the device is paused, so an idle program costs no CPU.
// - Without any audio device the program runs silently (one stderr line).

#include "toolkit/openal/sound_worker.h"
#include "toolkit/platform.h"

#include <AL/alc.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tk::openal {

class OpenAlSoundOutput final : public SoundOutput {
public:
    // The default output device, opened in the background.
    OpenAlSoundOutput();
    // A named output device; an empty name is the default one.
    explicit OpenAlSoundOutput(const std::string& device_name);
    ~OpenAlSoundOutput() override;
    OpenAlSoundOutput(const OpenAlSoundOutput&) = delete;
    OpenAlSoundOutput& operator=(const OpenAlSoundOutput&) = delete;

    // An output whose mix is rendered on demand into memory (stereo float at
    // `frequency`) instead of reaching a device; empty when OpenAL lacks the
    // loopback extension. It mixes in periods of 256 frames, as a device
    // does. For tests and benchmarks.
    static std::unique_ptr<OpenAlSoundOutput> ForLoopback(int frequency = 44100);

    // kPlayAsync is implied; kPlayLoop repeats the file until the next request;
    // kPlayNoDefault leaves silence where the alert would sound.
    // Always reports success: failures are not the caller's concern.
    int sndPlaySoundA(const std::string& path, unsigned flags) override;

    // Loopback only: mixes the next `frames` frames, interleaved left/right.
    std::vector<float> Render(std::size_t frames);

    // Blocks until the device is open (or known to be absent) and every
    // request made so far has started playing or been dropped.
    void WaitUntilSettled();

    using Stats = SoundStats;
    Stats GetStats() const;

private:
    struct LoopbackTag {};
    OpenAlSoundOutput(LoopbackTag, int frequency);

    std::atomic<ALCdevice*> loopback_{nullptr};
    std::unique_ptr<SoundWorker> worker_;
};

} // namespace tk::openal
