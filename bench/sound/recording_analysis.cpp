// Reads a recording of the sink (raw stereo float) and the presses made
// while it ran, and reports when each pressed file was heard, the largest
// sample steps where one sound gave way to the next, the played pitch, and
// the dropouts: gaps of silence inside a sounding note, until the next press.
//
// Usage: tarvisk_recording_analysis RECORDING RATE ORIGIN_NS EVENTS
// EVENTS lines: CLICK_NS KIND PATH: KIND is idle (nothing sounds), long (the
// same, after a long idle), pitch (as idle, then measured) or the name of a
// transition (a sound is replaced);
// PATH is the file whose start the press should bring.

#include "tools/tunes/pitch.h"
#include "tools/tunes/wav_io.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Event {
    std::int64_t click_ns = 0;
    std::string kind;
    std::string path;
};

// The file resampled (linearly: enough to find it) to the recording's rate.
std::vector<float> Resampled(const std::vector<float>& in, int from, int to, std::size_t max_frames)
{
    std::vector<float> out;
    const double step = static_cast<double>(from) / to;
    for (std::size_t i = 0; i < max_frames; ++i) {
        const double x = static_cast<double>(i) * step;
        const auto k = static_cast<std::size_t>(x);
        if (k + 1 >= in.size())
            break;
        const double f = x - static_cast<double>(k);
        out.push_back(static_cast<float>(in[k] * (1.0 - f) + in[k + 1] * f));
    }
    return out;
}

// Where in [from, to) the template starts, by normalised cross-correlation:
// the earliest lag that matches almost as well as the best one, since a
// steady tone matches again one period later.
std::size_t FindStart(const std::vector<float>& left, std::size_t from, std::size_t to,
                      const std::vector<float>& pattern, double& score)
{
    double pattern_energy = 0.0;
    for (float v : pattern)
        pattern_energy += static_cast<double>(v) * v;
    std::vector<double> scores;
    for (std::size_t lag = from; lag < to && lag + pattern.size() < left.size(); ++lag) {
        double dot = 0.0, energy = 0.0;
        for (std::size_t k = 0; k < pattern.size(); ++k) {
            dot += static_cast<double>(left[lag + k]) * pattern[k];
            energy += static_cast<double>(left[lag + k]) * left[lag + k];
        }
        scores.push_back(energy > 0.0 ? dot / std::sqrt(energy * pattern_energy) : 0.0);
    }
    score = scores.empty() ? -1.0 : *std::max_element(scores.begin(), scores.end());
    for (std::size_t i = 0; i < scores.size(); ++i)
        if (scores[i] >= score - 0.002)
            return from + i;
    return from;
}

float Peak(const std::vector<float>& x)
{
    float peak = 0.0f;
    for (float v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

// The first frame in [from, to) after which both channels stay silent for 5 ms.
std::size_t QuietFrom(const std::vector<float>& stereo, std::size_t from, std::size_t to, int rate)
{
    const auto hold = static_cast<std::size_t>(0.005 * rate);
    std::size_t quiet = 0;
    for (std::size_t i = from; i < to && 2 * i + 1 < stereo.size(); ++i) {
        quiet = std::fabs(stereo[2 * i]) < 1e-4f && std::fabs(stereo[2 * i + 1]) < 1e-4f ? quiet + 1 : 0;
        if (quiet == hold)
            return i + 1 - hold;
    }
    return to;
}

// The runs of at least 1 ms in [from, to) where both channels are silent:
// inside a sounding note, dropouts.
std::vector<std::pair<std::size_t, std::size_t>> Gaps(const std::vector<float>& stereo, std::size_t from,
                                                      std::size_t to, int rate)
{
    const auto least = static_cast<std::size_t>(0.001 * rate);
    std::vector<std::pair<std::size_t, std::size_t>> gaps;
    std::size_t quiet = 0;
    for (std::size_t i = from; i < to && 2 * i + 1 < stereo.size(); ++i) {
        const bool silent = std::fabs(stereo[2 * i]) < 1e-4f && std::fabs(stereo[2 * i + 1]) < 1e-4f;
        quiet = silent ? quiet + 1 : 0;
        if (quiet == least)
            gaps.emplace_back(i + 1 - least, i + 1);
        else if (quiet > least)
            gaps.back().second = i + 1;
    }
    if (std::getenv("TARVISK_BENCH_VERBOSE") != nullptr)
        for (auto [begin, end] : gaps)
            std::printf("gap at %.3f s\n", static_cast<double>(begin) / rate);
    return gaps;
}

// The stretches of [from, to) that no gap interrupts, of `least` frames or more.
std::vector<std::pair<std::size_t, std::size_t>>
WithoutGaps(const std::vector<float>& stereo, std::size_t from, std::size_t to, int rate, std::size_t least)
{
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
    std::size_t begin = from;
    auto gaps = Gaps(stereo, from, to, rate);
    gaps.emplace_back(to, to);
    for (auto [gap_begin, gap_end] : gaps) {
        if (gap_begin >= begin + least)
            stretches.emplace_back(begin, gap_begin);
        begin = gap_end;
    }
    return stretches;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s RECORDING RATE ORIGIN_NS EVENTS\n", argv[0]);
        return 2;
    }
    const int rate = std::stoi(argv[2]);
    const std::int64_t origin_ns = std::stoll(argv[3]);
    std::vector<float> stereo;
    {
        std::ifstream file(argv[1], std::ios::binary | std::ios::ate);
        const auto bytes = static_cast<std::size_t>(file.tellg());
        stereo.assign(bytes / sizeof(float), 0.0f);
        file.seekg(0);
        file.read(reinterpret_cast<char*>(stereo.data()), static_cast<std::streamsize>(bytes));
    }
    const std::size_t frames = stereo.size() / 2;
    std::vector<float> left(frames);
    for (std::size_t i = 0; i < frames; ++i)
        left[i] = stereo[2 * i];

    std::vector<Event> events;
    std::ifstream list(argv[4]);
    for (std::string line; std::getline(list, line);) {
        std::istringstream in(line);
        Event e;
        in >> e.click_ns >> e.kind >> std::ws;
        std::getline(in, e.path);
        if (!e.kind.empty())
            events.push_back(e);
    }

    std::map<std::string, std::vector<double>> latency_ms;
    std::vector<std::pair<std::size_t, std::size_t>> transitions;
    double transition_step = 0.0;
    std::map<std::string, tarvisk::tunes::WavData> files;
    std::size_t first_tone = 0; // where the presses for latency and steps begin
    int dropouts = 0;
    int transitions_with_dropouts = 0;
    std::vector<std::pair<std::size_t, std::size_t>> dropout_gaps;
    double sounding_s = 0.0;
    for (std::size_t n = 0; n < events.size(); ++n) {
        const Event& e = events[n];
        if (!files.contains(e.path)) {
            std::string error;
            auto wav = tarvisk::tunes::ReadWav(e.path, error);
            if (!wav) {
                std::fprintf(stderr, "%s: %s\n", e.path.c_str(), error.c_str());
                return 1;
            }
            files[e.path] = std::move(*wav);
        }
        const auto& wav = files[e.path];
        // The file from 10 ms on: where a sound replaces another, its first
        // milliseconds blend with the old one's fade and would match worse
        // than the same tone a period later.
        const auto skip = static_cast<std::size_t>(0.01 * rate);
        const auto pattern = Resampled(
            std::vector<float>(wav.mono.begin() +
                                   std::min(wav.mono.size(), static_cast<std::size_t>(0.01 * wav.rate)),
                               wav.mono.end()),
            wav.rate, rate, static_cast<std::size_t>(0.04 * rate));
        const double click_s = static_cast<double>(e.click_ns - origin_ns) / 1e9;
        if (click_s < 0.0)
            continue;
        const auto click = static_cast<std::size_t>(click_s * rate);
        const std::size_t window_end = std::min(frames, click + static_cast<std::size_t>(0.4 * rate));
        std::size_t start = 0;
        if (Peak(pattern) == 0.0f) {
            // A silent file (the reset): heard once the old sound has gone.
            start = QuietFrom(stereo, click, window_end, rate);
            if (start == window_end) {
                std::printf("%-5s press at %.3f s: still sounding\n", e.kind.c_str(), click_s);
                continue;
            }
        } else {
            double score = 0.0;
            start = FindStart(left, click + skip, window_end + skip, pattern, score) - skip;
            if (score < 0.9) {
                // A dropout where the note starts hides it: the server's or
                // the machine's doing, counted among the dropouts.
                const bool dropped = !Gaps(stereo, click, window_end + pattern.size(), rate).empty();
                std::printf("%-5s press at %.3f s: %s (best match %.2f)\n", e.kind.c_str(), click_s,
                            dropped ? "a dropout where it starts" : "file not found in the recording", score);
                continue;
            }
        }
        const double ms = (static_cast<double>(start) - click_s * rate) * 1000.0 / rate;
        if (std::getenv("TARVISK_BENCH_VERBOSE") != nullptr)
            std::printf("%-5s press at %.3f s heard after %.1f ms: %s\n", e.kind.c_str(), click_s, ms,
                        e.path.c_str());
        if (e.kind == "idle" && first_tone == 0)
            first_tone = click;
        if (Peak(pattern) > 0.0f) {
            // The note sounds from its start to the next press or its own end.
            const auto margin = static_cast<std::size_t>(0.01 * rate);
            std::size_t until =
                start + static_cast<std::size_t>(static_cast<double>(wav.frames) * rate / wav.rate);
            if (n + 1 < events.size() && events[n + 1].click_ns > e.click_ns)
                until = std::min(until,
                                 static_cast<std::size_t>(
                                     static_cast<double>(events[n + 1].click_ns - origin_ns) / 1e9 * rate));
            until = std::min(until, frames);
            if (until > start + 2 * margin) {
                for (const auto& gap : Gaps(stereo, start + margin, until - margin, rate)) {
                    ++dropouts;
                    dropout_gaps.push_back(gap);
                }
                sounding_s += static_cast<double>(until - start - 2 * margin) / rate;
            }
        }
        latency_ms[e.kind == "pitch" ? "idle" : e.kind].push_back(ms);
        // From the first tone on, as the tones' own step below, so that the
        // two compare sounds of one set, at one loudness.
        if (first_tone != 0 && e.kind != "idle" && e.kind != "long" && e.kind != "pitch") {
            // Where the old sound ends and the new one begins; from a little
            // before the press, since its time in the recording is only known
            // to the sink's buffering. A dropout there is the server's or the
            // machine's, not a click of the transition: its edges are skipped.
            const std::size_t from = click > static_cast<std::size_t>(0.05 * rate)
                ? click - static_cast<std::size_t>(0.05 * rate)
                : 1;
            transitions.emplace_back(from, start + 3);
            const auto gaps = Gaps(stereo, from, start, rate);
            transitions_with_dropouts += gaps.empty() ? 0 : 1;
            const auto at_gap = [&](std::size_t i) {
                return std::any_of(gaps.begin(), gaps.end(),
                                   [&](auto gap) { return i + 1 >= gap.first && i <= gap.second; });
            };
            for (std::size_t i = from; i < start + 3 && i < frames; ++i)
                if (!at_gap(i))
                    for (int c = 0; c < 2; ++c)
                        transition_step = std::max<double>(
                            transition_step, std::fabs(stereo[2 * i + c] - stereo[2 * i - 2 + c]));
        }
        if (e.kind == "pitch") {
            // Over the note's two seconds from 0.3 s on, stretch by stretch
            // between dropouts, each against the same stretch of the file.
            const auto from = start + static_cast<std::size_t>(0.3 * rate);
            const auto to = from + static_cast<std::size_t>(2.0 * rate);
            if (to > frames)
                continue;
            double weighted = 0.0, seconds = 0.0;
            for (auto [begin, end] :
                 WithoutGaps(stereo, from, to, rate, static_cast<std::size_t>(0.25 * rate))) {
                const double offset = static_cast<double>(begin - start) / rate;
                const double length = static_cast<double>(end - begin) / rate;
                const auto played =
                    tarvisk::tunes::MeasurePitch(std::span(left).subspan(begin, end - begin), rate);
                const auto own = tarvisk::tunes::MeasurePitch(
                    std::span(wav.mono).subspan(static_cast<std::size_t>(offset * wav.rate),
                                                static_cast<std::size_t>(length * wav.rate)),
                    wav.rate);
                if (played && own) {
                    weighted += length * 1200.0 * std::log2(*played / *own);
                    seconds += length;
                }
            }
            if (seconds > 0.0)
                std::printf("pitch %s: played against the file over %.2f s, %+.4f cent\n", e.path.c_str(),
                            seconds, weighted / seconds);
            else
                std::printf("pitch %s: no stretch without a dropout to measure\n", e.path.c_str());
        }
    }

    // The tones' own largest step: everywhere but at the transitions, from
    // the first press of those on. Their starts from silence count: a tone
    // that begins at full slope rings a little above it through the server's
    // resampler, as it does where it replaces another.
    double own_step = 0.0;
    std::vector<bool> excluded(frames, false);
    for (auto [from, to] : transitions)
        for (std::size_t i = from; i < to && i < frames; ++i)
            excluded[i] = true;
    // Nor the edges of a dropout: the step there is the gap's.
    for (auto [from, to] : dropout_gaps)
        for (std::size_t i = from; i <= to && i < frames; ++i)
            excluded[i] = true;
    for (std::size_t i = std::max<std::size_t>(first_tone, 1); i < frames; ++i)
        if (!excluded[i])
            for (int c = 0; c < 2; ++c)
                own_step = std::max<double>(own_step, std::fabs(stereo[2 * i + c] - stereo[2 * i - 2 + c]));

    for (const auto& [kind, values] : latency_ms)
        std::printf("latency %-5s (press to sound): median %.1f ms, max %.1f ms, %zu presses\n", kind.c_str(),
                    Median(values), *std::max_element(values.begin(), values.end()), values.size());
    std::printf("largest step: at transitions %.4f, the tones' own %.4f (full scale 1.0); %d transitions "
                "with a dropout\n",
                transition_step, own_step, transitions_with_dropouts);
    std::printf("dropouts: %d gaps of 1 ms or more in %.1f s of sounding notes\n", dropouts, sounding_s);
    return 0;
}
