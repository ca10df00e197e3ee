#include "toolkit/linux_sound/sndfile_library.h"

namespace tk::linux_sound {

// Bound lazily: of the codec libraries libsndfile links, WAV decoding calls few.
const SndfileLibrary* LoadSndfile()
{
    return OpenOnce<SndfileLibrary>("libsndfile.so.1", [](void* handle, SndfileLibrary& table) {
        return true TARVISK_SNDFILE(TARVISK_LOOKUP);
    });
}

} // namespace tk::linux_sound
