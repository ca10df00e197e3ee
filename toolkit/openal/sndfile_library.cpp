#include "toolkit/openal/sndfile_library.h"

#include "toolkit/openal/dl_symbol.h"

#include <dlfcn.h>
#include <mutex>

namespace tk::openal {

const SndfileLibrary* LoadSndfile()
{
    static SndfileLibrary library;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        // Never closed: decoded notes may still hold its objects at exit.
        // Bound lazily: of the codec libraries it loads, WAV decoding calls few.
        void* handle = dlopen("libsndfile.so.1", RTLD_LAZY | RTLD_LOCAL);
        loaded = handle != nullptr && Find(handle, "sf_open_virtual", library.sf_open_virtual) &&
            Find(handle, "sf_readf_float", library.sf_readf_float) && Find(handle, "sf_error", library.sf_error) &&
            Find(handle, "sf_strerror", library.sf_strerror) && Find(handle, "sf_close", library.sf_close);
    });
    return loaded ? &library : nullptr;
}

} // namespace tk::openal
