// The decoder opens libsndfile at run time; a fuzz target takes the
// instrumented one it links instead.

#include "toolkit/linux_sound/sndfile_library.h"

namespace tk::linux_sound {

const SndfileLibrary* LoadSndfile() { return &LinkedSndfile(); }

} // namespace tk::linux_sound
