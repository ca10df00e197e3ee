#pragma once
// The recorded notes of one library: each rendered from the soundfont once
// and held on its pitch (flatten.h), however many sets and the chord share it.

#include "tools/tunes/flatten.h"
#include "tools/tunes/soundfont.h"

#include <map>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

namespace tarvisk::tunes {

class RecordedNotes {
public:
    explicit RecordedNotes(SoundFont& font) : font_(font) {}

    // The note of General MIDI program `program` at `hz`, from the recorded
    // note nearest to it; null, with the reason in `log`, when it fails.
    const FlatNote* Note(int program, double hz, std::ostream& log);

    // The open strings (lowest first) struck from the lowest up, `gap`
    // seconds apart, as in a strum, each string held on its pitch as its
    // note file is.
    std::optional<std::vector<float>> Strum(int program, const std::vector<double>& hz, double gap,
                                            std::ostream& log);

private:
    struct Entry {
        std::vector<float> recording;
        FlatNote note;
    };
    const Entry* Find(int program, double hz, std::ostream& log);

    SoundFont& font_;
    std::map<std::pair<int, double>, Entry> notes_;
};

} // namespace tarvisk::tunes
