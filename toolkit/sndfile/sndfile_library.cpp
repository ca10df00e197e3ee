#include "toolkit/sndfile/sndfile_library.h"

namespace tk::sndfile {

// Bound lazily: of the codec libraries libsndfile links, WAV decoding calls few.
const SndfileLibrary* LoadSndfile()
{
    return linux_runtime::OpenOnce<SndfileLibrary>(
        "libsndfile.so.1",
        [](void* handle, SndfileLibrary& table) { return true TARVISK_SNDFILE(TARVISK_LOOKUP); });
}

} // namespace tk::sndfile
