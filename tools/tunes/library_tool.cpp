#include "tools/tunes/library_tool.h"

#include "sound/library.h"
#include "tools/tunes/loudness.h"
#include "tools/tunes/pitch.h"
#include "tools/tunes/recorded.h"
#include "tools/tunes/set_folder.h"
#include "tools/tunes/soundfont.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/track.h"
#include "tools/tunes/wav_io.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <list>
#include <optional>
#include <string>
#include <vector>

namespace tarvisk::tunes {

namespace {

namespace fs = std::filesystem;

// Between the strings of the opening chord, from the lowest up.
constexpr double kStrumGap = 0.045;

std::string Fixed(double value, int decimals, bool sign = false)
{
    char text[64];
    std::snprintf(text, sizeof(text), sign ? "%+.*f" : "%.*f", decimals, value);
    return text;
}

// What `check` found, file by file.
struct Tally {
    int missing = 0;
    int off_pitch = 0;
    int off_loudness = 0;
    int measured = 0;
    double quietest = std::numeric_limits<double>::infinity();
    double loudest = -std::numeric_limits<double>::infinity();
    double highest_peak = -std::numeric_limits<double>::infinity();
};

// The note's loudness and true peak, for a line of `check`; false when it
// is not at the library's loudness.
bool ReportLoudness(const WavData& wav, std::ostream& report, Tally& tally)
{
    const auto loudness = MeasureLoudness(wav.mono, wav.rate);
    if (!loudness) {
        report << ", loudness not measurable at this rate";
        return false;
    }
    if (std::isfinite(loudness->lufs))
        report << ", " << Fixed(loudness->lufs, 2) << " LUFS, ";
    else
        report << ", too quiet to measure, ";
    report << (std::isfinite(loudness->true_peak_dbtp) ? Fixed(loudness->true_peak_dbtp, 2) + " dBTP"
                                                       : "silent");
    if (std::isfinite(loudness->lufs)) {
        tally.quietest = std::min(tally.quietest, loudness->lufs);
        tally.loudest = std::max(tally.loudest, loudness->lufs);
        tally.highest_peak = std::max(tally.highest_peak, loudness->true_peak_dbtp);
        ++tally.measured;
    }
    return AtLibraryLoudness(*loudness);
}

// One line about one file. With
// `loudness`, its loudness is measured against the library's. With
// `pitch`, the note is followed through time: with `want` against that
// note, so that one that strays from it is off pitch; without, against the
// nearest note.
void ReportFile(const fs::path& path, const std::string& label, bool loudness, bool pitch,
                std::optional<int> want, double a4_hz, std::ostream& report, Tally& tally)
{
    report << label << ": ";
    std::string error;
    const auto wav = ReadWav(path.string(), error);
    if (!wav) {
        report << (error == "missing" ? "MISSING" : "UNREADABLE (" + error + ")") << "\n";
        ++tally.missing;
        return;
    }
    report << "ok, " << wav->format << ", "
           << (wav->channels == 1       ? "mono"
                   : wav->channels == 2 ? "stereo"
                                        : std::to_string(wav->channels) + " channels")
           << ", " << wav->rate << " Hz, " << Fixed(static_cast<double>(wav->frames) / wav->rate, 3) << " s";
    std::string marks;
    if (loudness && !ReportLoudness(*wav, report, tally)) {
        marks += " LOUDNESS";
        ++tally.off_loudness;
    }
    if (pitch) {
        const auto hz = want ? MeasureNote(wav->mono, wav->rate, NoteHz(*want, a4_hz))
                             : MeasurePitch(wav->mono, wav->rate);
        bool in_tune = false;
        if (!hz) {
            report << ", no clear pitch";
        } else {
            const int note = want ? *want : NearestNote(*hz, a4_hz).midi;
            const double target = NoteHz(note, a4_hz);
            const double cents = 1200.0 * std::log2(*hz / target);
            report << ", " << (want ? "" : "nearest ") << NoteName(note);
            // A note more than a semitone away is not followed near this one.
            const auto track =
                std::abs(cents) < 100.0 ? SummarizeTrack(wav->mono, wav->rate, target) : std::nullopt;
            if (std::abs(cents) >= 100.0) {
                report << " " << Fixed(cents, 3, true) << " cents (" << Fixed(*hz, 3) << " Hz)";
            } else if (!track) {
                report << " no steady pitch";
            } else {
                report << " median " << Fixed(track->median_cents, 3, true) << " cents, worst "
                       << Fixed(track->worst_cents, 3, true) << " cents at " << Fixed(track->worst_seconds, 2)
                       << " s";
                in_tune = std::abs(track->worst_cents) <= kWorstWindowCents &&
                    std::abs(track->median_cents) <= kMedianCents;
            }
        }
        if (want && !in_tune) {
            marks += " OFF";
            ++tally.off_pitch;
        }
    }
    report << marks << "\n";
}

bool WriteSet(NewSet& set, SetKind kind, const Tuning& tuning, double a4_hz, RecordedNotes& recorded,
              std::ostream& log)
{
    bool ok = true;
    for (std::size_t i = 0; i < NoteFiles.size(); ++i) {
        const double hz = NoteHz(StringNote(tuning, i), a4_hz);
        if (kind == SetKind::PureTone) {
            ok = set.Write(NoteFiles[i], ToLibraryLoudness(PureTone(hz, kRate), kRate), log) && ok;
        } else if (const FlatNote* note = recorded.Note(GmProgram(kind), hz, log)) {
            ok = set.Write(NoteFiles[i], note->samples, log) && ok;
        } else {
            log << NoteFiles[i] << ": not written\n";
            ok = false;
        }
    }
    // A set that lacks a note does not take the place of one that has them all.
    return ok && set.Finish(log);
}

} // namespace

int StringNote(const Tuning& tuning, std::size_t index) { return tuning[tuning.size() - 1 - index]; }

std::optional<Tuning> DefaultSetTuning(std::string_view name)
{
    for (const SoundSetDef& set : kDefaultSets)
        if (set.name == name)
            return set.tuning;
    return std::nullopt;
}

bool IsSetName(std::string_view name)
{
    if (name.empty() || name.front() == ' ' || name.back() == ' ')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ';
    });
}

bool GenerateLibrary(const fs::path& out, const GenerateOptions& options, std::ostream& log)
{
    // Every name is looked at before anything is made.
    std::list<NewSet> sets;
    bool free = true;
    if (options.set) {
        free = sets.emplace_back(out, options.set->name).Claim(options.replace, log);
    } else {
        for (const std::string_view file : {kResetFile, kChordFile})
            free = ClaimLibraryFile(out / file, options.replace, log) && free;
        for (const SoundSetDef& set : kDefaultSets)
            free = sets.emplace_back(out, std::string(set.name)).Claim(options.replace, log) && free;
    }
    if (!free)
        return false;

    // Never a synthesised stand-in: without the recordings nothing is made.
    std::string error;
    const auto font = SoundFont::Open(options.soundfont, error);
    if (!font) {
        log << error << "\n";
        return false;
    }
    RecordedNotes recorded(*font);
    if (options.set)
        return WriteSet(sets.front(), SetKind::Acoustic, options.set->tuning, options.a4_hz, recorded, log);

    bool ok = WriteLibraryFile(out / kResetFile, ResetSound(kRate), log);
    std::vector<double> open_strings;
    for (const int note : kStandardTuning)
        open_strings.push_back(NoteHz(note, options.a4_hz));
    if (const auto chord = recorded.Strum(GmProgram(SetKind::Acoustic), open_strings, kStrumGap, log))
        ok = WriteLibraryFile(out / kChordFile, *chord, log) && ok;
    else
        ok = false;

    auto set = sets.begin();
    for (const SoundSetDef& def : kDefaultSets)
        ok = WriteSet(*set++, def.kind, def.tuning, options.a4_hz, recorded, log) && ok;
    return ok;
}

bool CheckLibrary(const fs::path& dir, double a4_hz, std::ostream& report)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        report << dir.string() << ": MISSING (no such folder)\n";
        return false;
    }
    Tally tally;
    ReportFile(dir / kResetFile, std::string(kResetFile), false, false, std::nullopt, a4_hz, report, tally);
    ReportFile(dir / kChordFile, std::string(kChordFile), true, false, std::nullopt, a4_hz, report, tally);

    // The sets the program lists, in its order.
    const std::vector<std::string> sets = ListedSets(dir);
    if (sets.empty()) {
        report << "no sound sets: MISSING\n";
        ++tally.missing;
    }
    int notes = 0;
    for (const std::string& name : sets) {
        const auto tuning = DefaultSetTuning(name);
        report << "[" << name << "]";
        if (tuning)
            for (const int note : *tuning)
                report << " " << NoteName(note);
        report << "\n";
        for (std::size_t i = 0; i < NoteFiles.size(); ++i) {
            ++notes;
            std::optional<int> want;
            if (tuning)
                want = StringNote(*tuning, i);
            ReportFile(dir / name / NoteFiles[i], "  " + std::string(NoteFiles[i]), true, true, want, a4_hz,
                       report, tally);
        }
    }
    report << sets.size() << " sets, " << notes << " note files, " << tally.missing
           << " missing or unreadable, " << tally.off_pitch << " off pitch, " << tally.off_loudness
           << " off loudness\n";
    if (tally.measured)
        report << "loudness " << Fixed(tally.quietest, 2) << " to " << Fixed(tally.loudest, 2) << " LUFS ("
               << Fixed(tally.loudest - tally.quietest, 2) << " LU apart), true peak at most "
               << Fixed(tally.highest_peak, 2) << " dBTP; each within " << Fixed(kLoudnessToleranceLu, 1)
               << " LU of " << Fixed(kTargetLufs, 1) << " LUFS and at most " << Fixed(kCeilingDbtp, 1)
               << " dBTP\n";
    return tally.missing == 0 && tally.off_pitch == 0 && tally.off_loudness == 0;
}

} // namespace tarvisk::tunes
