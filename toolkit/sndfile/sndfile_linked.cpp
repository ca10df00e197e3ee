#include "toolkit/sndfile/sndfile_library.h"

namespace tk::sndfile {

const SndfileLibrary& LinkedSndfile()
{
#define TARVISK_ADDRESS(name) &::name,
    static const SndfileLibrary library{TARVISK_SNDFILE(TARVISK_ADDRESS)};
#undef TARVISK_ADDRESS
    return library;
}

} // namespace tk::sndfile
