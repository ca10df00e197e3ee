#include "sound/library.h"

namespace tarvisk {

std::string NotePath(const std::string& tunes_dir, const std::string& sound_set, int index)
{
    return tunes_dir + sound_set + std::string(NoteFiles.at(static_cast<std::size_t>(index)));
}

std::string ChordPath(const std::string& tunes_dir) { return tunes_dir + std::string(kChordFile); }

} // namespace tarvisk
