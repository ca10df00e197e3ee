#include "toolkit/linux_sound/libraries.h"

namespace tk::linux_sound {

const SamplerateLibrary* LoadSamplerate()
{
    return linux_runtime::OpenOnce<SamplerateLibrary>(
        "libsamplerate.so.0",
        [](void* handle, SamplerateLibrary& table) { return true TARVISK_SAMPLERATE(TARVISK_LOOKUP); });
}

const PulseLibrary* LoadPulse()
{
    return linux_runtime::OpenOnce<PulseLibrary>("libpulse.so.0", [](void* handle, PulseLibrary& table) {
        return true TARVISK_PULSE(TARVISK_LOOKUP);
    });
}

extern "C" {
static void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
}

// ALSA prints lines of its own for every device it cannot open: it may not
// here, where trying one is the normal way to find none.
const AlsaLibrary* LoadAlsa()
{
    return linux_runtime::OpenOnce<AlsaLibrary>("libasound.so.2", [](void* handle, AlsaLibrary& table) {
        const bool found = true TARVISK_ALSA(TARVISK_LOOKUP);
        if (found)
            table.snd_lib_error_set_handler(&IgnoreAlsaError);
        return found;
    });
}

} // namespace tk::linux_sound
