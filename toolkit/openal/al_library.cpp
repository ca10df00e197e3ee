#include "toolkit/openal/al_library.h"

#include "toolkit/openal/alsoft_setup.h"
#include "toolkit/openal/dl_symbol.h"
#include "toolkit/openal/lazy_zero_fill.h"

#include <dlfcn.h>
#include <mutex>

namespace tk::openal {

namespace {

AlLibrary library;
bool loaded = false;

bool Open()
{
    // Before OpenAL Soft loads ALSA, so that its chatter has a handler.
    SilenceAlsa();
    // Never closed: OpenAL Soft's threads and atexit handlers outlive any use.
    // Bound lazily, as a linked library would be: the few functions it calls
    // from its many dependencies are looked up when first called.
    void* handle = dlopen("libopenal.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr)
        return false;
    AlLibrary& l = library;
    return Find(handle, "alcOpenDevice", l.alcOpenDevice) && Find(handle, "alcCloseDevice", l.alcCloseDevice) &&
        Find(handle, "alcCreateContext", l.alcCreateContext) &&
        Find(handle, "alcDestroyContext", l.alcDestroyContext) &&
        Find(handle, "alcSetThreadContext", l.alcSetThreadContext) &&
        Find(handle, "alcIsExtensionPresent", l.alcIsExtensionPresent) &&
        Find(handle, "alcGetIntegerv", l.alcGetIntegerv) &&
        Find(handle, "alcLoopbackOpenDeviceSOFT", l.alcLoopbackOpenDeviceSOFT) &&
        Find(handle, "alcIsRenderFormatSupportedSOFT", l.alcIsRenderFormatSupportedSOFT) &&
        Find(handle, "alcRenderSamplesSOFT", l.alcRenderSamplesSOFT) &&
        Find(handle, "alcDevicePauseSOFT", l.alcDevicePauseSOFT) &&
        Find(handle, "alcDeviceResumeSOFT", l.alcDeviceResumeSOFT) && Find(handle, "alGetError", l.alGetError) &&
        Find(handle, "alIsExtensionPresent", l.alIsExtensionPresent) &&
        Find(handle, "alGenSources", l.alGenSources) && Find(handle, "alDeleteSources", l.alDeleteSources) &&
        Find(handle, "alGenBuffers", l.alGenBuffers) && Find(handle, "alDeleteBuffers", l.alDeleteBuffers) &&
        Find(handle, "alBufferData", l.alBufferData) && Find(handle, "alBufferiv", l.alBufferiv) &&
        Find(handle, "alSourcei", l.alSourcei) && Find(handle, "alSourcef", l.alSourcef) &&
        Find(handle, "alSource3f", l.alSource3f) && Find(handle, "alGetSourcei", l.alGetSourcei) &&
        Find(handle, "alGetSourcef", l.alGetSourcef) && Find(handle, "alSourcePlay", l.alSourcePlay) &&
        Find(handle, "alSourceStop", l.alSourceStop);
}

} // namespace

const AlLibrary* LoadOpenAl()
{
    static std::once_flag once;
    std::call_once(once, [] {
        loaded = Open();
        if (loaded)
            ZeroFillLazily(reinterpret_cast<const void*>(library.alcOpenDevice));
    });
    return loaded ? &library : nullptr;
}

const AlLibrary& Al() { return library; }

} // namespace tk::openal
