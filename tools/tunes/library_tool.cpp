#include "tools/tunes/library_tool.h"

#include "sound/library.h"
#include "tools/tunes/pitch.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/wav_io.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tarvisk::tunes {

namespace {

namespace fs = std::filesystem;

std::string Fixed(double value, int decimals, bool sign = false)
{
    char text[64];
    std::snprintf(text, sizeof(text), sign ? "%+.*f" : "%.*f", decimals, value);
    return text;
}

bool Write(const fs::path& path, const std::vector<float>& samples, std::ostream& log)
{
    std::string error;
    if (!WriteWav(path.string(), samples, kRate, error)) {
        log << path.string() << ": cannot write: " << error << "\n";
        return false;
    }
    return true;
}

std::vector<float> MakeNote(SetKind kind, double hz)
{
    switch (kind) {
    case SetKind::Acoustic:
        return PluckedNote(hz, Voice::Acoustic, kRate);
    case SetKind::Electric:
        return PluckedNote(hz, Voice::Electric, kRate);
    case SetKind::PureTone:
        break;
    }
    return PureTone(hz, kRate);
}

// One line about one file; false when it is missing or unreadable.
bool ReportFile(const fs::path& path, const std::string& label, bool measure, double a4_hz,
                std::ostream& report)
{
    report << label << ": ";
    std::string error;
    const auto wav = ReadWav(path.string(), error);
    if (!wav) {
        report << (error == "missing" ? "MISSING" : "UNREADABLE (" + error + ")") << "\n";
        return false;
    }
    report << "ok, " << wav->format << ", " << (wav->channels == 1 ? "mono" : wav->channels == 2 ? "stereo" : std::to_string(wav->channels) + " channels")
           << ", " << wav->rate << " Hz, " << Fixed(static_cast<double>(wav->frames) / wav->rate, 3) << " s";
    if (measure) {
        if (const auto hz = MeasurePitch(wav->mono, wav->rate)) {
            const Nearest nearest = NearestNote(*hz, a4_hz);
            report << ", pitch " << Fixed(*hz, 3) << " Hz, nearest " << NoteName(nearest.midi) << " "
                   << Fixed(nearest.cents, 3, true) << " cents";
        } else {
            report << ", no clear pitch";
        }
    }
    report << "\n";
    return true;
}

} // namespace

int StringNote(const Tuning& tuning, std::size_t index)
{
    return tuning[tuning.size() - 1 - index];
}

bool GenerateLibrary(const fs::path& out, const GenerateOptions& options, std::ostream& log)
{
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec) {
        log << out.string() << ": cannot create: " << ec.message() << "\n";
        return false;
    }
    bool ok = Write(out / kResetFile, ResetSound(kRate), log);

    std::array<double, 6> open_strings{};
    for (std::size_t s = 0; s < open_strings.size(); ++s)
        open_strings[s] = NoteHz(options.tuning[s], options.a4_hz);
    ok = Write(out / kChordFile, Strum(open_strings, kRate), log) && ok;

    for (const SoundSetDef& set : kDefaultSets) {
        const fs::path folder = out / set.name;
        fs::create_directories(folder, ec);
        if (ec) {
            log << folder.string() << ": cannot create: " << ec.message() << "\n";
            ok = false;
            continue;
        }
        for (std::size_t i = 0; i < NoteFiles.size(); ++i) {
            const double hz = NoteHz(StringNote(options.tuning, i), options.a4_hz);
            ok = Write(folder / NoteFiles[i], MakeNote(set.kind, hz), log) && ok;
        }
    }
    return ok;
}

bool CheckLibrary(const fs::path& dir, double a4_hz, std::ostream& report)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        report << dir.string() << ": MISSING (no such folder)\n";
        return false;
    }
    int missing = 0;
    int notes = 0;
    for (const std::string_view name : {kResetFile, kChordFile})
        missing += ReportFile(dir / name, std::string(name), false, a4_hz, report) ? 0 : 1;

    std::vector<fs::path> sets;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec))
            sets.push_back(it->path());
    std::sort(sets.begin(), sets.end());
    if (sets.empty()) {
        report << "no sound sets: MISSING\n";
        ++missing;
    }
    for (const fs::path& set : sets) {
        report << "[" << set.filename().string() << "]\n";
        for (const std::string_view file : NoteFiles) {
            ++notes;
            missing += ReportFile(set / file, "  " + std::string(file), true, a4_hz, report) ? 0 : 1;
        }
    }
    report << sets.size() << " sets, " << notes << " note files, " << missing
           << " missing or unreadable\n";
    return missing == 0;
}

} // namespace tarvisk::tunes
