#include "tools/tunes/recorded.h"

#include "tools/tunes/notes.h"
#include "tools/tunes/synth.h"

#include <string>

namespace tarvisk::tunes {

namespace {

// Long enough for a note read a few per cent slower, and for the chord.
constexpr double kRecordingSeconds = 5.6;
constexpr double kChordSeconds = 5.0;
constexpr double kChordFade = 0.5;

} // namespace

const RecordedNotes::Entry* RecordedNotes::Find(int program, double hz, std::ostream& log)
{
    const auto key = std::make_pair(program, hz);
    if (const auto it = notes_.find(key); it != notes_.end())
        return &it->second;
    // The recorded note nearest, so the resampling stays within half a step
    // and the instrument keeps its colour at any concert pitch.
    const int midi = NearestNote(hz, 440.0).midi;
    Entry entry;
    entry.recording = font_.Render(program, midi, kRecordingSeconds);
    if (entry.recording.empty()) {
        log << "the soundfont has no note " << NoteName(midi) << " of General MIDI program " << program << "\n";
        return nullptr;
    }
    std::string error;
    auto note = FlattenNote(entry.recording, kRate, hz, kNoteSeconds, error);
    if (!note) {
        log << NoteName(midi) << " of General MIDI program " << program << ": " << error << "\n";
        return nullptr;
    }
    entry.note = std::move(*note);
    return &notes_.emplace(key, std::move(entry)).first->second;
}

const FlatNote* RecordedNotes::Note(int program, double hz, std::ostream& log)
{
    const Entry* entry = Find(program, hz, log);
    return entry ? &entry->note : nullptr;
}

std::optional<std::vector<float>> RecordedNotes::Strum(int program, const std::vector<double>& hz, double gap,
                                                       std::ostream& log)
{
    const auto frames = static_cast<std::size_t>(kChordSeconds * kRate);
    std::vector<float> mix(frames, 0.0f);
    for (std::size_t s = 0; s < hz.size(); ++s) {
        const Entry* entry = Find(program, hz[s], log);
        if (!entry)
            return std::nullopt;
        // Each string along the curve that holds its own note on pitch; past
        // the note file's end the curve holds its last value.
        const auto offset = static_cast<std::size_t>(gap * static_cast<double>(s) * kRate);
        const auto string = ResampleAlong(entry->recording, kRate, entry->note.curve, frames - offset);
        for (std::size_t i = 0; i < string.size(); ++i)
            mix[offset + i] += string[i];
    }
    return FinishSound(mix, kChordSeconds, kChordFade);
}

} // namespace tarvisk::tunes
