#include "tools/tunes/import.h"

#include "sound/library.h"
#include "tools/tunes/flatten.h"
#include "tools/tunes/library_tool.h"
#include "tools/tunes/pitch.h"
#include "tools/tunes/set_folder.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/track.h"
#include "tools/tunes/wav_io.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace tarvisk::tunes {

namespace {

namespace fs = std::filesystem;

// A recording whose peak is below -60 dBFS holds no note.
constexpr float kSilentPeak = 0.001f;
// The rise of a pluck, back from its quarter-peak sample: while the sound
// stays above a fiftieth of the peak, for at most 50 ms.
constexpr float kRiseShare = 0.02f;
constexpr double kLongestRise = 0.05;
// A recording a semitone flat is read faster and comes out this much shorter.
constexpr double kShortestRatio = 0.94;

std::string Fixed(double value, const char* format)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// The note file from one recording, or empty with the reason.
std::optional<std::vector<float>> ImportNote(const fs::path& path, int midi, double a4_hz,
                                             std::string& reason)
{
    std::string error;
    const auto wav = ReadWav(path.string(), error);
    if (!wav) {
        reason = "cannot read it (" + error + ")";
        return std::nullopt;
    }
    float peak = 0.0f;
    for (const float v : wav->mono)
        peak = std::max(peak, std::abs(v));
    if (peak < kSilentPeak) {
        reason = "it is silent";
        return std::nullopt;
    }
    const double rate = wav->rate;
    const std::span<const float> note = std::span<const float>(wav->mono).subspan(PickStart(wav->mono, rate));
    const double length = static_cast<double>(note.size()) / rate;
    if (length < kMinImportSeconds) {
        reason = "too short to measure: " + Fixed(length, "%.2f") + " s from the pick, at least " +
            Fixed(kMinImportSeconds, "%.1f") + " s needed";
        return std::nullopt;
    }
    const double hz = NoteHz(midi, a4_hz);
    const auto measured = MeasurePitch(note, rate);
    if (!measured) {
        reason = "no clear pitch in it";
        return std::nullopt;
    }
    const double cents = 1200.0 * std::log2(*measured / hz);
    if (std::abs(cents) > 100.0) {
        reason = "its pitch, " + Fixed(*measured, "%.1f") + " Hz, is " + Fixed(cents, "%+.0f") +
            " cents from " + NoteName(midi) + ", more than a semitone";
        return std::nullopt;
    }
    auto flat = FlattenNote(note, rate, hz, std::min(kNoteSeconds, length * kShortestRatio), error);
    if (!flat) {
        reason = error;
        return std::nullopt;
    }
    return std::move(flat->samples);
}

} // namespace

std::size_t PickStart(std::span<const float> x, double rate)
{
    std::size_t start = Onset(x);
    if (start >= x.size())
        return 0;
    float peak = 0.0f;
    for (const float v : x)
        peak = std::max(peak, std::abs(v));
    const float floor = kRiseShare * peak;
    const std::size_t block = std::max<std::size_t>(1, static_cast<std::size_t>(rate / 1000.0));
    const auto earliest =
        static_cast<std::size_t>(std::max(0.0, static_cast<double>(start) - kLongestRise * rate));
    while (start > earliest) {
        const std::size_t from = std::max(earliest, start >= block ? start - block : 0);
        const bool rising = std::any_of(x.begin() + static_cast<std::ptrdiff_t>(from),
                                        x.begin() + static_cast<std::ptrdiff_t>(start),
                                        [&](float v) { return std::abs(v) >= floor; });
        if (!rising)
            break;
        start = from;
    }
    return start;
}

bool ImportSet(const fs::path& library, const ImportOptions& options, std::ostream& log)
{
    if (options.files.size() != options.tuning.size()) {
        log << "a set takes " << options.tuning.size() << " recordings, lowest string first; "
            << options.files.size() << " given: nothing written\n";
        return false;
    }
    NewSet set(library, options.set);
    if (!set.Claim(options.replace, log))
        return false;
    std::vector<std::vector<float>> notes;
    for (std::size_t s = 0; s < options.files.size(); ++s) {
        std::string reason;
        if (auto note = ImportNote(options.files[s], options.tuning[s], options.a4_hz, reason))
            notes.push_back(std::move(*note));
        else
            log << options.files[s].string() << ": " << reason << "\n";
    }
    if (notes.size() != options.files.size()) {
        log << "nothing written\n";
        return false;
    }
    bool ok = true;
    // The files run from the highest string down.
    for (std::size_t s = 0; s < notes.size(); ++s)
        ok = set.Write(NoteFiles[notes.size() - 1 - s], notes[s], log) && ok;
    return ok && set.Finish(log);
}

} // namespace tarvisk::tunes
