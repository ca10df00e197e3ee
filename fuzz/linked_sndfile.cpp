// The decoder opens libsndfile at run time; a fuzz target takes the
// instrumented one it links instead.

#include "toolkit/openal/sndfile_library.h"

namespace tk::openal {

const SndfileLibrary* LoadSndfile() { return &LinkedSndfile(); }

} // namespace tk::openal
