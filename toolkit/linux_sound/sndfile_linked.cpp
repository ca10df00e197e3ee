#include "toolkit/linux_sound/sndfile_library.h"

namespace tk::linux_sound {

const SndfileLibrary& LinkedSndfile()
{
#define TARVISK_ADDRESS(name) &::name,
    static const SndfileLibrary library{TARVISK_SNDFILE(TARVISK_ADDRESS)};
#undef TARVISK_ADDRESS
    return library;
}

} // namespace tk::linux_sound
