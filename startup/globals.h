#pragma once
// The program-wide values, all starting empty.

#include <cstdint>
#include <string>

namespace tarvisk {

struct Globals {
    std::string AppPath;       // the executable's folder, ending in "\"
    std::string TunesDir;      // AppPath + "Tunes\"
    std::string ResetWav;      // TunesDir + "reset.wav"
    std::string SoundSet;      // chosen set's folder name + "\", or empty
    std::int16_t LoopMode = 0; // 1 loop mode, 0 single-shot
};

} // namespace tarvisk
