#include "tools/tunes/notes.h"

#include <cctype>
#include <cmath>
#include <vector>

namespace tarvisk::tunes {

std::optional<int> ParseNote(std::string_view name)
{
    static constexpr int kSemitone[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (name.empty())
        return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    int pitch_class = 0;
    if (letter == 'H')
        pitch_class = 11;
    else if (letter >= 'A' && letter <= 'G')
        pitch_class = kSemitone[letter - 'A'];
    else
        return std::nullopt;
    std::size_t i = 1;
    if (i < name.size() && (name[i] == '#' || name[i] == 'b')) {
        pitch_class += name[i] == '#' ? 1 : -1;
        ++i;
    }
    if (i + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[i])))
        return std::nullopt;
    const int octave = name[i] - '0';
    return 12 * (octave + 1) + pitch_class;
}

std::string NoteName(int midi)
{
    static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int octave = midi / 12 - 1;
    return std::string(kNames[((midi % 12) + 12) % 12]) + std::to_string(octave);
}

double NoteHz(int midi, double a4_hz) { return a4_hz * std::exp2((midi - kA4) / 12.0); }

Nearest NearestNote(double hz, double a4_hz)
{
    const double semitones = 12.0 * std::log2(hz / a4_hz) + kA4;
    Nearest nearest;
    nearest.midi = static_cast<int>(std::lround(semitones));
    nearest.cents = 100.0 * (semitones - nearest.midi);
    return nearest;
}

std::optional<Tuning> ParseTuning(std::string_view text)
{
    std::vector<std::string_view> names;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != '\t')
            ++i;
        if (i > start)
            names.push_back(text.substr(start, i - start));
    }
    if (names.size() != 6)
        return std::nullopt;
    Tuning tuning{};
    for (std::size_t s = 0; s < 6; ++s) {
        const auto midi = ParseNote(names[s]);
        if (!midi)
            return std::nullopt;
        tuning[s] = *midi;
    }
    return tuning;
}

} // namespace tarvisk::tunes
