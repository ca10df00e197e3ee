#pragma once
// The libsndfile functions the guarded open and the decoder call. The
// program opens libsndfile.so.1 at run time (runtime_library.h); the library
// tool and the fuzz targets take the libsndfile they link.

#include "toolkit/linux/runtime_library.h"

#include <sndfile.h>

#define TARVISK_SNDFILE(X) X(sf_open_virtual) X(sf_readf_float) X(sf_error) X(sf_strerror) X(sf_close)

namespace tk::sndfile {

struct SndfileLibrary {
    TARVISK_SNDFILE(TARVISK_MEMBER)
};

const SndfileLibrary* LoadSndfile();

// The linked libsndfile (tarvisk_sndfile_linked).
const SndfileLibrary& LinkedSndfile();

} // namespace tk::sndfile
