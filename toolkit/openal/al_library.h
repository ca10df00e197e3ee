#pragma once
// OpenAL Soft, opened at run time on the sound worker: the program's start
// does not wait for it, and a machine without libopenal.so.1 still runs the
// tuner, silently. Only the functions the sound output calls.

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

namespace tk::openal {

struct AlLibrary {
    decltype(&::alcOpenDevice) alcOpenDevice = nullptr;
    decltype(&::alcCloseDevice) alcCloseDevice = nullptr;
    decltype(&::alcCreateContext) alcCreateContext = nullptr;
    decltype(&::alcDestroyContext) alcDestroyContext = nullptr;
    decltype(&::alcSetThreadContext) alcSetThreadContext = nullptr;
    decltype(&::alcIsExtensionPresent) alcIsExtensionPresent = nullptr;
    decltype(&::alcGetIntegerv) alcGetIntegerv = nullptr;
    decltype(&::alcLoopbackOpenDeviceSOFT) alcLoopbackOpenDeviceSOFT = nullptr;
    decltype(&::alcIsRenderFormatSupportedSOFT) alcIsRenderFormatSupportedSOFT = nullptr;
    decltype(&::alcRenderSamplesSOFT) alcRenderSamplesSOFT = nullptr;
    decltype(&::alcDevicePauseSOFT) alcDevicePauseSOFT = nullptr;
    decltype(&::alcDeviceResumeSOFT) alcDeviceResumeSOFT = nullptr;
    decltype(&::alGetError) alGetError = nullptr;
    decltype(&::alIsExtensionPresent) alIsExtensionPresent = nullptr;
    decltype(&::alGenSources) alGenSources = nullptr;
    decltype(&::alDeleteSources) alDeleteSources = nullptr;
    decltype(&::alGenBuffers) alGenBuffers = nullptr;
    decltype(&::alDeleteBuffers) alDeleteBuffers = nullptr;
    decltype(&::alBufferData) alBufferData = nullptr;
    decltype(&::alBufferiv) alBufferiv = nullptr;
    decltype(&::alSourcei) alSourcei = nullptr;
    decltype(&::alSourcef) alSourcef = nullptr;
    decltype(&::alSource3f) alSource3f = nullptr;
    decltype(&::alGetSourcei) alGetSourcei = nullptr;
    decltype(&::alGetSourcef) alGetSourcef = nullptr;
    decltype(&::alSourcePlay) alSourcePlay = nullptr;
    decltype(&::alSourceStop) alSourceStop = nullptr;
};

// Opens the library once; nullptr when it or one of its functions is
// missing. Later calls give the same answer at once.
const AlLibrary* LoadOpenAl();

// The opened library; only after LoadOpenAl succeeded.
const AlLibrary& Al();

} // namespace tk::openal
