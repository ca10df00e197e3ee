// The decoder opens libsndfile at run time; a fuzz target takes the
// instrumented one it links instead.

#include "toolkit/sndfile/sndfile_library.h"

namespace tk::sndfile {

const SndfileLibrary* LoadSndfile() { return &LinkedSndfile(); }

} // namespace tk::sndfile
