#pragma once
// Process-wide settings for OpenAL Soft, made once before its first use.

namespace tk::openal {

// Small output buffering (3 periods of 512 frames) and a good resampler,
// unless the user points ALSOFT_CONF elsewhere; OpenAL Soft's and ALSA's own
// error chatter is kept off stderr so that a missing device costs one line,
// and the sound server's settings list the program by its name and icon.
void PrepareOpenAlProcess();

} // namespace tk::openal
