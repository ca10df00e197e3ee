#include "toolkit/openal/sndfile_library.h"

namespace tk::openal {

const SndfileLibrary& LinkedSndfile()
{
    static const SndfileLibrary library{&sf_open_virtual, &sf_readf_float, &sf_error, &sf_strerror, &sf_close};
    return library;
}

} // namespace tk::openal
