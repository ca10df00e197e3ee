#include "tools/tunes/recorded.h"

#include "tools/tunes/notes.h"
#include "tools/tunes/pitch.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/wav_io.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvisk::tunes {

namespace {

// Long enough for a note resampled by a few per cent, and for the chord.
constexpr double kRecordingSeconds = 5.6;
constexpr int kMaxTries = 8;
constexpr double kChordSeconds = 5.0;
constexpr double kChordFade = 0.5;

double Cents(double hz, double target) { return 1200.0 * std::log2(hz / target); }

} // namespace

std::vector<float> Resample(std::span<const float> x, double ratio, std::size_t frames)
{
    // Only as much input as the output needs, plus the filter's reach.
    const auto needed = static_cast<std::size_t>(std::ceil(static_cast<double>(frames) / ratio)) + 4096;
    const std::size_t used = std::min(x.size(), needed);
    std::vector<float> out(frames, 0.0f);
    SRC_DATA data{};
    data.data_in = x.data();
    data.input_frames = static_cast<long>(used);
    data.data_out = out.data();
    data.output_frames = static_cast<long>(frames);
    data.src_ratio = ratio;
    data.end_of_input = 1;
    // The sinc converter keeps 97 dB of signal to noise up to 90 % of the
    // band (19.8 kHz), beyond what the 16-bit file holds of a guitar.
    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) != 0)
        return {};
    return out;
}

std::vector<float> FinishSound(std::span<const float> x, double seconds, double fade)
{
    std::vector<double> y(static_cast<std::size_t>(seconds * kRate), 0.0);
    std::copy_n(x.begin(), std::min(x.size(), y.size()), y.begin());
    // Half-cosine ramps: from exact silence at the first sample, to exact
    // silence at the last, so the seam of a loop has no step.
    const auto ramp = [&](std::size_t n, auto gain_at) {
        for (std::size_t i = 0; i < n; ++i)
            gain_at(i, 0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(n))));
    };
    const std::size_t in = std::min(y.size(), static_cast<std::size_t>(0.001 * kRate));
    ramp(in, [&](std::size_t i, double g) { y[i] *= g; });
    const std::size_t out = std::min(y.size(), static_cast<std::size_t>(fade * kRate));
    ramp(out, [&](std::size_t i, double g) { y[y.size() - 1 - i] *= g; });
    double peak = 0.0;
    for (const double v : y)
        peak = std::max(peak, std::abs(v));
    std::vector<float> finished(y.size());
    for (std::size_t i = 0; i < y.size(); ++i)
        finished[i] = static_cast<float>(peak > 0.0 ? 0.6 * y[i] / peak : 0.0);
    return AsWritten(finished);
}

std::optional<TunedNote> TuneNote(std::span<const float> recording, double hz, std::string& error)
{
    const auto frames = static_cast<std::size_t>(kNoteSeconds * kRate);
    TunedNote note;
    for (note.tries = 1; note.tries <= kMaxTries; ++note.tries) {
        note.samples = note.ratio == 1.0 ? FinishSound(recording, kNoteSeconds, kNoteFade)
                                         : FinishSound(Resample(recording, note.ratio, frames), kNoteSeconds, kNoteFade);
        const auto measured = MeasureNote(note.samples, kRate, hz);
        if (!measured) {
            error = "no clear pitch near " + std::to_string(hz) + " Hz";
            return std::nullopt;
        }
        note.cents = Cents(*measured, hz);
        if (std::abs(note.cents) <= kExactCents)
            return note;
        // A note measured sharp is stretched: more output samples per input.
        note.ratio *= *measured / hz;
    }
    error = "does not settle within " + std::to_string(kExactCents) + " cent of " + std::to_string(hz) + " Hz";
    return std::nullopt;
}

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
    auto note = TuneNote(entry.recording, hz, error);
    if (!note) {
        log << NoteName(midi) << " of General MIDI program " << program << ": " << error << "\n";
        return nullptr;
    }
    entry.note = std::move(*note);
    return &notes_.emplace(key, std::move(entry)).first->second;
}

const TunedNote* RecordedNotes::Note(int program, double hz, std::ostream& log)
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
        // Each string at the ratio that put its own note on pitch.
        const auto offset = static_cast<std::size_t>(gap * static_cast<double>(s) * kRate);
        const auto string = Resample(entry->recording, entry->note.ratio, frames - offset);
        for (std::size_t i = 0; i < string.size(); ++i)
            mix[offset + i] += string[i];
    }
    return FinishSound(mix, kChordSeconds, kChordFade);
}

} // namespace tarvisk::tunes
