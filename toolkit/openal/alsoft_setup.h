#pragma once
// Process-wide settings for OpenAL Soft, made once before its first use.

namespace tk::openal {

// Small output buffering (12 periods of 256 frames) and a good resampler,
// unless the user points ALSOFT_CONF elsewhere; OpenAL Soft's own error
// chatter is kept off stderr so that a missing device costs one line.
// The sound server's settings list the program by its name and icon.
// Only sets environment variables: cheap enough for the program's start.
void PrepareOpenAlProcess();

// Keeps ALSA's chatter off stderr too; loads libasound, so it runs where
// OpenAL Soft is loaded, on the sound worker.
void SilenceAlsa();

} // namespace tk::openal
