#include "bench/sound/analysis/recording_analysis.h"

#include "tools/tunes/pitch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <span>

namespace tarvisk::bench {

namespace {

// A sounding note never holds this many frames of exact silence on both
// channels; a server fills a dropout with exactly that.
constexpr std::size_t kLeastGap = 4;
// Where a sound replaces another, its first milliseconds blend with the old
// one's fade, so it is matched from here on.
constexpr double kSkipSeconds = 0.01;
constexpr double kPatternSeconds = 0.04;
constexpr double kMatch = 0.9;
// The least match of a file's opening where a note starts, where it may
// still blend with the old one's fade.
constexpr double kOpening = 0.8;
// A few more places of the file to find it by, where something other than
// silence cut the recording at its start.
constexpr double kLaterPatterns[] = {0.06, 0.11, 0.16};
constexpr double kQuiet = 1e-4;
// What sounded before a press, read for its period, and how far from its own
// repetition the recording departs where something new begins.
constexpr double kSteadySeconds = 0.1;
constexpr float kDeparture = 0.01f;
// Pitch: from 0.3 s after the start, past the pick, for two seconds, over
// the stretches that no dropout cuts, each long enough to hold its pitch.
constexpr double kPitchFrom = 0.3;
constexpr double kPitchLength = 2.0;
constexpr double kPitchStretch = 0.25;

// The recording with every silent run of kLeastGap frames or more cut out.
// A server fills a dropout with silence, and then either goes on where the
// sound stopped or skips what it missed: either way, what is left is the
// sound played, in pieces, each a stretch of its file.
struct Spliced {
    std::vector<float> left, right;
    std::vector<std::size_t> frame; // where each came from
    std::vector<std::pair<std::size_t, std::size_t>> runs;

    explicit Spliced(const std::vector<float>& stereo)
    {
        const std::size_t frames = stereo.size() / 2;
        const auto silent = [&](std::size_t i) { return stereo[2 * i] == 0.0f && stereo[2 * i + 1] == 0.0f; };
        for (std::size_t i = 0; i < frames;) {
            std::size_t end = i;
            while (end < frames && silent(end))
                ++end;
            if (end - i >= kLeastGap) {
                runs.emplace_back(i, end);
                i = end;
                continue;
            }
            for (end = std::max(end, i + 1); i < end; ++i) {
                left.push_back(stereo[2 * i]);
                right.push_back(stereo[2 * i + 1]);
                frame.push_back(i);
            }
        }
    }
    std::size_t size() const { return frame.size(); }
    // The recording's frame of spliced frame j; past the last, the end.
    std::size_t FrameAt(std::size_t j, std::size_t end) const { return j < size() ? frame[j] : end; }
    // Whether a run was cut out just before frame j.
    bool Join(std::size_t j) const { return j > 0 && j < size() && frame[j] != frame[j - 1] + 1; }
    // The first frame kept at or after the recording's frame `at`.
    std::size_t At(std::size_t at) const
    {
        return static_cast<std::size_t>(std::lower_bound(frame.begin(), frame.end(), at) - frame.begin());
    }
    double Step(std::size_t j) const
    {
        return std::max(std::fabs(left[j] - left[j - 1]), std::fabs(right[j] - right[j - 1]));
    }
};

// The file at the recording's rate, interpolated linearly: enough to find it.
std::vector<float> Resampled(std::span<const float> in, int from, int to)
{
    std::vector<float> out;
    const double step = static_cast<double>(from) / to;
    for (double x = 0.0; static_cast<std::size_t>(x) + 1 < in.size(); x += step) {
        const auto k = static_cast<std::size_t>(x);
        const double f = x - static_cast<double>(k);
        out.push_back(static_cast<float>(in[k] * (1.0 - f) + in[k + 1] * f));
    }
    return out;
}

double Correlation(std::span<const float> a, std::span<const float> b)
{
    double dot = 0.0, ea = 0.0, eb = 0.0;
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        dot += static_cast<double>(a[k]) * b[k];
        ea += static_cast<double>(a[k]) * a[k];
        eb += static_cast<double>(b[k]) * b[k];
    }
    return ea > 0.0 && eb > 0.0 ? dot / std::sqrt(ea * eb) : 0.0;
}

std::vector<double> Scores(std::span<const float> x, std::size_t from, std::size_t to,
                           std::span<const float> pattern)
{
    std::vector<double> scores;
    for (std::size_t lag = from; lag < to && lag + pattern.size() <= x.size(); ++lag)
        scores.push_back(Correlation(x.subspan(lag, pattern.size()), pattern));
    return scores;
}

// Where in [from, to) of `x` the pattern matches best; the earliest lag that
// matches almost as well, since a steady tone matches again one period later.
std::size_t FindPattern(std::span<const float> x, std::size_t from, std::size_t to,
                        std::span<const float> pattern, double& score)
{
    const auto scores = Scores(x, from, to, pattern);
    score = scores.empty() ? 0.0 : *std::max_element(scores.begin(), scores.end());
    for (std::size_t i = 0; i < scores.size(); ++i)
        if (scores[i] >= score - 0.002)
            return from + i;
    return from;
}

float Peak(std::span<const float> x)
{
    float peak = 0.0f;
    for (float v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

// A file as the analysis matches it: from its first sound on, at the
// recording's rate, and how much silence it opened with.
struct Template {
    const Sound* sound = nullptr;
    std::size_t lead = 0; // the file's own frames of silence before its first sound
    std::vector<float> at_rate;
};

Template MakeTemplate(const Sound& sound, int rate)
{
    Template t;
    t.sound = &sound;
    while (t.lead < sound.mono.size() && sound.mono[t.lead] == 0.0f)
        ++t.lead;
    t.at_rate = Resampled(std::span(sound.mono).subspan(t.lead), sound.rate, rate);
    return t;
}

// What the analysis found of one press.
struct Found {
    const Press* press = nullptr;
    const Template* t = nullptr; // null for the silent reset
    std::size_t click = 0, next = 0;
    std::size_t due = 0; // the latest the sound may begin
    std::optional<std::size_t> start; // spliced: where the note starts, or the silence after a stop
    bool exact = false;               // the start found to the frame
};

class Analysis {
public:
    Analysis(const Recording& recording, const SoundLoader& load)
        : r_(recording), load_(load), s_(recording.stereo), frames_(recording.stereo.size() / 2),
          rate_(recording.rate)
    {
    }

    Report Run(const std::vector<Press>& presses);

private:
    std::size_t Seconds(double s) const { return static_cast<std::size_t>(s * rate_); }
    std::size_t FrameOf(std::int64_t ns) const
    {
        const double at = static_cast<double>(ns - r_.origin_ns) * 1e-9 * rate_;
        return std::min(frames_, static_cast<std::size_t>(std::max(0.0, at)));
    }
    void Stop(PressResult& result, Found& f);
    void Note(PressResult& result, Found& f);
    std::size_t GivesWay(std::size_t from, std::size_t found) const;
    std::optional<double> Pitch(const Found& f, std::size_t end) const;
    // The frame where the sound the press brought gives way.
    std::size_t EndOf(std::size_t n) const;
    bool Dropout(std::size_t n, std::pair<std::size_t, std::size_t> run) const;

    const Recording& r_;
    const SoundLoader& load_;
    const Spliced s_;
    const std::size_t frames_;
    const int rate_;
    std::map<std::string, Template> templates_;
    std::vector<Found> found_;
    Report report_;
};

// A stop brings silence: from the end of the last sound before the next
// press, which must come soon after the click and last.
void Analysis::Stop(PressResult& result, Found& f)
{
    const std::size_t end = std::min({f.next, f.due + Seconds(0.5), frames_});
    std::size_t quiet = f.click;
    for (std::size_t i = f.click; i < end; ++i)
        if (std::fabs(r_.stereo[2 * i]) >= kQuiet || std::fabs(r_.stereo[2 * i + 1]) >= kQuiet)
            quiet = i + 1;
    if (quiet <= f.due && end >= quiet + Seconds(0.05)) {
        result.heard = true;
        result.latency_ms = static_cast<double>(quiet - f.click) * 1000.0 / rate_;
        f.start = s_.At(quiet);
        f.exact = true;
    }
}

// Where a steady tone sounded before the click, the new sound begins where
// the recording first departs from that tone's own repetition: a crossfade
// leaves the new note's opening blended, and it matches only a period or
// two on. `found` where nothing steady sounded, or a dropout cut in between.
std::size_t Analysis::GivesWay(std::size_t from, std::size_t found) const
{
    const std::size_t before = Seconds(kSteadySeconds);
    if (from < before || found <= from)
        return found;
    const auto steady = std::span(s_.left).subspan(from - before, before);
    const auto hz = tunes::MeasurePitch(steady, rate_);
    if (!hz)
        return found;
    const double period = rate_ / *hz;
    const auto whole = static_cast<std::size_t>(std::ceil(period)) + 1;
    for (std::size_t j = from - whole; j <= found; ++j)
        if (s_.Join(j))
            return found;
    const float threshold = kDeparture * Peak(steady);
    for (std::size_t j = from; j < found; ++j) {
        const double back = static_cast<double>(j) - period;
        const auto k = static_cast<std::size_t>(back);
        const double w = back - static_cast<double>(k);
        const double was = s_.left[k] * (1.0 - w) + s_.left[k + 1] * w;
        if (std::fabs(s_.left[j] - was) > threshold)
            return j;
    }
    return found;
}

void Analysis::Note(PressResult& result, Found& f)
{
    const Template& t = *f.t;
    const std::size_t from = s_.At(f.click);
    const std::size_t to = s_.At(f.due);
    const auto pattern_at = [&](double offset) {
        const std::size_t begin = std::min(t.at_rate.size(), Seconds(offset));
        return std::span(t.at_rate).subspan(begin,
                                            std::min(t.at_rate.size() - begin, Seconds(kPatternSeconds)));
    };
    const std::size_t skip = Seconds(kSkipSeconds);
    const auto scores = Scores(s_.left, from + skip, to + skip, pattern_at(kSkipSeconds));
    const double best = scores.empty() ? 0.0 : *std::max_element(scores.begin(), scores.end());
    result.match = best;
    if (best >= kMatch) {
        // Of the lags that match as well (a steady tone matches once a
        // period), the first whose opening milliseconds are the file's own:
        // one a period early holds the old sound there.
        const auto opening = std::span(t.at_rate).first(std::min(skip, t.at_rate.size()));
        for (std::size_t i = 0; i < scores.size() && !f.start; ++i)
            if (scores[i] >= best - 0.002 &&
                Correlation(std::span(s_.left).subspan(from + i, opening.size()), opening) >= kOpening)
                f.start = from + i;
        if (!f.start)
            f.start = from +
                static_cast<std::size_t>(std::find_if(scores.begin(), scores.end(),
                                                      [&](double v) { return v >= best - 0.002; }) -
                                         scores.begin());
        f.start = GivesWay(from, *f.start);
        f.exact = true;
        result.heard = true;
        const double lead = static_cast<double>(t.lead) / t.sound->rate;
        result.latency_ms =
            (static_cast<double>(s_.frame[*f.start]) - static_cast<double>(f.click)) * 1000.0 / rate_ -
            lead * 1000.0;
        return;
    }
    // A dropout that cut the opening: found further on, where it starts
    // only roughly known.
    for (double offset : kLaterPatterns) {
        double score = 0.0;
        const std::size_t o = Seconds(offset);
        const std::size_t lag = FindPattern(s_.left, from + o, to + o, pattern_at(offset), score);
        result.match = std::max(result.match, score);
        if (score >= kMatch && !f.start) {
            result.heard = true;
            f.start = lag > o ? lag - o : 0;
        }
    }
}

std::size_t Analysis::EndOf(std::size_t n) const
{
    for (std::size_t m = n + 1; m < found_.size(); ++m)
        if (found_[m].start)
            return s_.FrameAt(*found_[m].start, frames_);
    return frames_;
}

// A run of silence inside the note press n brought, where its file sounds:
// the server's doing, not the player's. One that ends where another sound
// begins is the player's.
bool Analysis::Dropout(std::size_t n, std::pair<std::size_t, std::size_t> run) const
{
    const Found& f = found_[n];
    if (f.t == nullptr || !f.start || *f.start >= s_.size())
        return false;
    const std::size_t margin = Seconds(0.001);
    const std::size_t begin = s_.frame[*f.start];
    return run.first > begin + margin && run.second + margin < EndOf(n);
}

// Stretch by stretch between dropouts, each against the stretch of the file
// it matches best where it may lie (the server went on where the sound
// stopped, or skipped what it missed). A stretch's reading is as exact as it
// is long, so each weighs its length squared: a few short stretches between
// dropouts do not outweigh a long one.
std::optional<double> Analysis::Pitch(const Found& f, std::size_t end) const
{
    const Template& t = *f.t;
    const std::size_t from = *f.start + Seconds(kPitchFrom);
    const std::size_t to = std::min({*f.start + Seconds(kPitchFrom + kPitchLength), s_.At(end), s_.size()});
    const std::size_t probe = Seconds(0.02);
    // Where the start is known to the frame, less than half the period of any
    // string's note: a note whose pitch moves matches itself a period on
    // nearly as well, and would be read there a little off. Where a dropout
    // cut the opening, the start is known only roughly.
    const std::size_t slack = f.exact ? Seconds(0.001) : Seconds(0.02);
    double weighted = 0.0, weights = 0.0, seconds = 0.0;
    for (std::size_t a = from; a < to;) {
        std::size_t b = a + 1;
        while (b < to && !s_.Join(b))
            ++b;
        const std::size_t length = b - a;
        const std::size_t begin = a;
        a = b;
        if (length < Seconds(kPitchStretch))
            continue;
        if (length > t.at_rate.size())
            continue;
        // Where the file went on after the dropouts before, or where it
        // skipped what they missed.
        const std::size_t spliced = begin - *f.start;
        const std::size_t elapsed = s_.frame[begin] - s_.frame[*f.start];
        double score = 0.0;
        std::size_t offset = 0;
        for (const std::size_t at : {spliced, elapsed}) {
            const std::size_t low = at > slack ? at - slack : 0;
            const std::size_t high = std::min(at + slack, t.at_rate.size() - length);
            double there = 0.0;
            const std::size_t found = low < high
                ? FindPattern(t.at_rate, low, high, std::span(s_.left).subspan(begin, probe), there)
                : 0;
            if (there > score)
                score = there, offset = found;
        }
        if (score < kMatch)
            continue;
        // The file's own stretch at the recording's rate, sample for sample
        // beside the played one: a recorded note's pitch moves and its
        // partials beat, so both are read over the very same windows.
        const auto played = tunes::MeasurePitch(std::span(s_.left).subspan(begin, length), rate_);
        const auto own = tunes::MeasurePitch(std::span(t.at_rate).subspan(offset, length), rate_);
        if (!played || !own)
            continue;
        const double s = static_cast<double>(length) / rate_;
        weighted += s * s * 1200.0 * std::log2(*played / *own);
        weights += s * s;
        seconds += s;
    }
    // Half the stretch at least, matched and measured.
    if (seconds < kPitchLength / 2)
        return std::nullopt;
    return weighted / weights;
}

Report Analysis::Run(const std::vector<Press>& presses)
{
    // Where each press's sound is.
    for (std::size_t n = 0; n < presses.size(); ++n) {
        const Press& press = presses[n];
        if (press.click_ns < r_.origin_ns)
            continue;
        const Sound* sound = load_(press.path);
        PressResult result;
        result.press = &press;
        Found f;
        f.press = &press;
        f.click = FrameOf(press.click_ns);
        const std::int64_t sent = std::max(press.click_ns, press.sent_ns);
        result.sending_ms = static_cast<double>(sent - press.click_ns) * 1e-6;
        f.due = FrameOf(sent) + Seconds(kLatestSoundSeconds);
        f.next = n + 1 < presses.size() ? FrameOf(presses[n + 1].click_ns) : frames_;
        if (sound != nullptr && f.click < frames_) {
            if (Peak(sound->mono) == 0.0f) {
                Stop(result, f);
            } else {
                auto [at, made] = templates_.try_emplace(press.path);
                if (made)
                    at->second = MakeTemplate(*sound, rate_);
                f.t = &at->second;
                Note(result, f);
            }
        }
        found_.push_back(f);
        report_.presses.push_back(result);
    }

    // The dropouts, and the joins they leave in the spliced recording.
    std::vector<bool> dropout_join(s_.size() + 1, false);
    std::size_t n = 0;
    for (const auto& run : s_.runs) {
        while (n + 1 < found_.size() &&
               (!found_[n + 1].start || s_.FrameAt(*found_[n + 1].start, frames_) <= run.first))
            ++n;
        if (n < found_.size() && Dropout(n, run)) {
            ++report_.dropouts;
            if (std::getenv("TARVISK_BENCH_VERBOSE") != nullptr)
                std::printf("dropout at %.3f s: %.2f ms of silence\n", static_cast<double>(run.first) / rate_,
                            static_cast<double>(run.second - run.first) * 1000.0 / rate_);
            dropout_join[s_.At(run.second)] = true;
        }
    }
    for (std::size_t m = 0; m < found_.size(); ++m)
        if (found_[m].t != nullptr && found_[m].start && *found_[m].start < s_.size())
            report_.sounding_seconds +=
                static_cast<double>(EndOf(m) - std::min(EndOf(m), s_.frame[*found_[m].start])) / rate_;

    // Pitch, and where sounds give way.
    // The steps are those of the pure tones, from the first press from rest
    // on: the files before may sound at other levels.
    std::vector<std::pair<std::size_t, std::size_t>> transitions; // spliced
    std::vector<bool> stop_join(s_.size() + 1, false);
    std::optional<std::size_t> first_tone;
    for (const Found& f : found_)
        if (f.start && f.press->kind == "idle" && !first_tone)
            first_tone = s_.At(f.click);
    for (std::size_t m = 0; m < found_.size(); ++m) {
        const Found& f = found_[m];
        const std::string& kind = f.press->kind;
        if (f.start && f.t != nullptr && kind == "pitch")
            report_.presses[m].cents = Pitch(f, std::min(EndOf(m), f.next));
        if (kind == "idle" || kind == "long" || kind == "pitch")
            continue;
        ++report_.transitions;
        if (f.start && !f.exact)
            ++report_.transitions_cut;
        if (!f.start || !f.exact)
            continue;
        ++report_.transitions_measured;
        // From a little before the press, since its place in the recording
        // is only known to the sink's buffering, to where the new sound is
        // matched whole: its start is only known to within a period of a
        // steady tone.
        const std::size_t from =
            std::max<std::size_t>(1, s_.At(f.click > Seconds(0.05) ? f.click - Seconds(0.05) : 0));
        const std::size_t to =
            std::min(s_.size(), *f.start + (f.t != nullptr ? Seconds(kSkipSeconds) : 0) + 4);
        if (from < to && first_tone && from >= *first_tone) {
            transitions.emplace_back(from, to);
            // Where a stop's silence was cut out, the sound ends there: its
            // step is the stop's own. Any other join is a dropout's.
            if (f.t == nullptr)
                stop_join[*f.start] = true;
        }
    }
    // Steps on the spliced recording, but where a dropout was cut out.
    std::vector<bool> excluded(s_.size(), false);
    for (auto [from, to] : transitions)
        for (std::size_t j = from; j < to; ++j) {
            excluded[j] = true;
            if (!dropout_join[j] && (!s_.Join(j) || stop_join[j]))
                report_.transition_step = std::max(report_.transition_step, s_.Step(j));
        }
    for (std::size_t j = std::max<std::size_t>(first_tone.value_or(s_.size()), 1); j < s_.size(); ++j)
        if (!excluded[j] && !s_.Join(j))
            report_.own_step = std::max(report_.own_step, s_.Step(j));
    return report_;
}

} // namespace

Report Analyse(const Recording& recording, const std::vector<Press>& presses, const SoundLoader& load)
{
    return Analysis(recording, load).Run(presses);
}

Verdicts Judge(const Report& report)
{
    Verdicts v;
    const auto& p = report.presses;
    v.heard = !p.empty() && std::all_of(p.begin(), p.end(), [](const PressResult& r) {
        return r.heard && (!r.latency_ms || *r.latency_ms <= kLatestSoundSeconds * 1000.0 + r.sending_ms);
    });
    int pitches = 0;
    v.pitch = true;
    for (const auto& r : p) {
        if (r.press->kind != "pitch")
            continue;
        ++pitches;
        v.pitch = v.pitch && r.cents && std::fabs(*r.cents) <= kPitchCents;
    }
    v.pitch = v.pitch && pitches > 0;
    // Every sound that gives way is found; where a dropout cut the start of
    // the next, the step there is the dropout's, not the player's.
    v.clicks = report.transitions_measured > 0 &&
        report.transitions_measured + report.transitions_cut == report.transitions &&
        report.own_step > 0.0 && report.transition_step <= kStepOverOwn * report.own_step;
    return v;
}

} // namespace tarvisk::bench
