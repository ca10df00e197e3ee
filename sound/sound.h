#pragma once
// The program's two ways of making sound. Both hand a WAV file's path to the
// platform's sound output and return at once; neither reports a failure.

#include <string>

namespace tk {
class SoundOutput;
}

namespace tarvisk {

void PlayWavOnce(tk::SoundOutput& output, const std::string& path);

// Repeats until the next play request.
void PlayWavLoop(tk::SoundOutput& output, const std::string& path);

} // namespace tarvisk
