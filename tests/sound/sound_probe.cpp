// Starts the sound output as the program does, makes one request and says
// whether an output opened: "open=0|1".

#include "toolkit/linux_sound/player.h"

#include <cstdio>

int main(int argc, char** argv)
{
    tk::linux_sound::Player player;
    player.sndPlaySoundA(argc > 1 ? argv[1] : "\\nonexistent\\Tunes\\Chord.wav", tk::kPlayAsync);
    player.WaitUntilSettled();
    std::printf("open=%d\n", player.GetStats().open ? 1 : 0);
    return 0;
}
