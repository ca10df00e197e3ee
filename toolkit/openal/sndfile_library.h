#pragma once
// The libsndfile functions the guarded open and the decoders call. The
// program opens libsndfile.so.1 at run time on the sound worker, so neither
// it nor the codecs it links load before the window shows; the library tool
// and the fuzz targets take the libsndfile they link.

#include <sndfile.h>

namespace tk::openal {

struct SndfileLibrary {
    decltype(&::sf_open_virtual) sf_open_virtual = nullptr;
    decltype(&::sf_readf_float) sf_readf_float = nullptr;
    decltype(&::sf_error) sf_error = nullptr;
    decltype(&::sf_strerror) sf_strerror = nullptr;
    decltype(&::sf_close) sf_close = nullptr;
};

// libsndfile.so.1, opened once; nullptr when it or a function is missing.
const SndfileLibrary* LoadSndfile();

// The linked libsndfile (tarvisk_sndfile_linked).
const SndfileLibrary& LinkedSndfile();

} // namespace tk::openal
