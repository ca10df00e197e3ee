// Starts the sound output as the program does, plays a few requests and says
// what it found: "open=0|1 paused=0|1 period=FRAMES".

#include "toolkit/openal/openal_sound_output.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    const std::string device = argc > 1 ? argv[1] : "";
    const std::string wav = argc > 2 ? argv[2] : "\\nonexistent\\Tunes\\Chord.wav";
    tk::openal::OpenAlSoundOutput output(device);
    output.sndPlaySoundA(wav, tk::kPlayAsync | tk::kPlayLoop);
    output.sndPlaySoundA(wav, tk::kPlayAsync);
    output.WaitUntilSettled();
    // The one-shot sound ends within a second, and then the device rests;
    // the generous bound only keeps a slow machine from failing.
    auto stats = output.GetStats();
    for (int i = 0; i < 400 && stats.device_open && !stats.device_paused; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stats = output.GetStats();
    }
    std::printf("open=%d paused=%d period=%d\n", stats.device_open ? 1 : 0, stats.device_paused ? 1 : 0,
                stats.period_frames);
    return 0;
}
