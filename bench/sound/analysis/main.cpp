// Reads a recording of the sink (raw stereo float) and the presses made
// while it ran, and prints what was heard, the figures and the verdicts.
//
// Usage: tarvisk_recording_analysis RECORDING RATE ORIGIN_NS EVENTS
// EVENTS lines: CLICK_NS SENT_NS KIND PATH (recording_analysis.h names the kinds);
// PATH is the file whose start the press should bring.

#include "bench/sound/analysis/recording_analysis.h"
#include "tools/tunes/wav_io.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

using namespace tarvisk::bench;

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const char* Verdict(bool ok) { return ok ? "ok" : "FAIL"; }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s RECORDING RATE ORIGIN_NS EVENTS\n", argv[0]);
        return 2;
    }
    Recording recording;
    recording.rate = std::stoi(argv[2]);
    recording.origin_ns = std::stoll(argv[3]);
    {
        std::ifstream file(argv[1], std::ios::binary | std::ios::ate);
        if (!file) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
            return 1;
        }
        const auto bytes = static_cast<std::size_t>(file.tellg());
        recording.stereo.assign(bytes / sizeof(float) / 2 * 2, 0.0f);
        file.seekg(0);
        file.read(reinterpret_cast<char*>(recording.stereo.data()),
                  static_cast<std::streamsize>(recording.stereo.size() * sizeof(float)));
    }
    std::vector<Press> presses;
    std::ifstream list(argv[4]);
    for (std::string line; std::getline(list, line);) {
        std::istringstream in(line);
        Press p;
        in >> p.click_ns >> p.sent_ns >> p.kind >> std::ws;
        std::getline(in, p.path);
        if (!p.kind.empty())
            presses.push_back(p);
    }

    std::map<std::string, Sound> sounds;
    bool unreadable = false;
    const SoundLoader load = [&](const std::string& path) -> const Sound* {
        if (auto found = sounds.find(path); found != sounds.end())
            return &found->second;
        std::string error;
        auto wav = tarvisk::tunes::ReadWav(path, error);
        if (!wav) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
            unreadable = true;
            return nullptr;
        }
        return &(sounds[path] = Sound{wav->rate, std::move(wav->mono)});
    };
    const Report report = Analyse(recording, presses, load);
    if (unreadable)
        return 1;

    std::map<std::string, std::vector<double>> latency_ms;
    for (const auto& r : report.presses) {
        const double at = static_cast<double>(r.press->click_ns - recording.origin_ns) / 1e9;
        std::printf("%-5s press at %.3f s: ", r.press->kind.c_str(), at);
        if (r.latency_ms)
            std::printf("heard after %.1f ms", *r.latency_ms);
        else if (r.heard)
            std::printf("heard, its start cut (best match %.2f)", r.match);
        else if (r.match > 0.0)
            std::printf("not found (best match %.2f)", r.match);
        else
            std::printf("not found");
        std::printf(": %s", r.press->path.c_str());
        // A click that was slow to go out is said: the latency counts it.
        if (r.sending_ms >= 50.0)
            std::printf(" (the click took %.0f ms to send)", r.sending_ms);
        std::printf("\n");
        if (r.press->kind == "pitch") {
            if (r.cents)
                std::printf("pitch %s: played against the file, %+.4f cent\n", r.press->path.c_str(),
                            *r.cents);
            else
                std::printf("pitch %s: not measured\n", r.press->path.c_str());
        }
        if (r.latency_ms)
            latency_ms[r.press->kind == "pitch" ? "idle" : r.press->kind].push_back(*r.latency_ms);
    }
    for (const auto& [kind, values] : latency_ms)
        std::printf("latency %-5s (press to sound): median %.1f ms, max %.1f ms, %zu presses\n", kind.c_str(),
                    Median(values), *std::max_element(values.begin(), values.end()), values.size());
    std::printf(
        "largest step: at transitions %.4f, the tones' own %.4f (full scale 1.0); %d of %d transitions "
        "found, %d more with their start cut by a dropout\n",
        report.transition_step, report.own_step, report.transitions_measured, report.transitions,
        report.transitions_cut);
    std::printf("dropouts: %d runs of silence in %.1f s of sounding notes\n", report.dropouts,
                report.sounding_seconds);
    const Verdicts v = Judge(report);
    std::printf("verdict heard: %s\nverdict pitch: %s\nverdict clicks: %s\n", Verdict(v.heard),
                Verdict(v.pitch), Verdict(v.clicks));
    return 0;
}
