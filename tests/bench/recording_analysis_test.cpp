// The recording analysis gives the sound tests their verdicts: a player
// that plays the right notes in time passes however many dropouts cut its
// sound, and one that plays nothing, the wrong note, late, off pitch or with
// a click fails, dropouts or not. The recordings are made here, from pure
// tones and a plucked string, as a server would record such players.

#include "bench/sound/analysis/recording_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace tarvisk::bench {
namespace {

constexpr int kRate = 48000;
constexpr std::int64_t kOrigin = 1'000'000'000'000;

Sound Tone(double hz)
{
    Sound s{kRate, std::vector<float>(3 * kRate)};
    for (std::size_t i = 0; i < s.mono.size(); ++i)
        s.mono[i] =
            static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate));
    return s;
}

// A plucked string as a recording holds it, at another rate than the sink's:
// its partials decay, the second beats against a slightly sharp double, and
// its pitch settles from a little sharp.
Sound Pluck(double hz, int rate)
{
    Sound s{rate, std::vector<float>(3 * static_cast<std::size_t>(rate))};
    double phase = 0.0;
    for (std::size_t i = 0; i < s.mono.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2.0 * std::numbers::pi * hz * (1.0 + 0.002 * std::exp(-t / 0.4)) / rate;
        double v = 0.0;
        for (int h = 1; h <= 4; ++h)
            v += std::exp(-t * h / 1.5) / h * std::sin(h * phase);
        v += 0.2 * std::exp(-t / 1.5) * std::sin(2.0 * phase * 1.0004);
        s.mono[i] = static_cast<float>(0.3 * v);
    }
    return s;
}

enum class Plays { Right, Nothing, WrongNote, Detuned };
struct Dropout {
    double at, length;
    bool skips = false;
};
struct Player {
    Plays plays = Plays::Right;
    double latency = 0.02;
    double fade = 0.005; // where a sound gives way; none is a click
};

class RecordingAnalysis : public ::testing::Test {
protected:
    // The presses of the sound server test in small: notes measured for their
    // pitch, each stopped, then sounds replacing sounds.
    RecordingAnalysis()
    {
        const auto at = [&](double s, const char* kind, const std::string& path) {
            presses_.push_back({kOrigin + static_cast<std::int64_t>(s * 1e9), kind, path});
        };
        at(0.5, "pitch", "G");
        at(3.1, "stop", "reset");
        at(4.3, "pitch", "A");
        at(6.9, "stop", "reset");
        at(8.1, "idle", "D");
        at(8.8, "busy", "A");
        at(9.5, "stop", "reset");
        at(10.7, "idle", "G");
        at(11.4, "busy", "D");
        at(12.1, "stop", "reset");
        sounds_ = {{"A", Tone(110.0)},
                   {"D", Tone(146.83)},
                   {"G", Pluck(196.0, 44100)},
                   {"reset", Sound{kRate, std::vector<float>(kRate / 10)}}};
    }

    // What the sink gives while `player` plays the presses, each dropout
    // silent, the sound after it going on where it stopped or, as a server
    // does that keeps time, skipping what was missed.
    Report Record(const Player& player, const std::vector<Dropout>& dropouts = {})
    {
        const auto frames = static_cast<std::size_t>(13.5 * kRate);
        std::vector<float> mono(frames, 0.0f);
        const auto frame = [](double s) { return static_cast<std::size_t>(std::lround(s * kRate)); };
        for (std::size_t n = 0; n < presses_.size(); ++n) {
            const double start = static_cast<double>(presses_[n].click_ns - kOrigin) / 1e9 + player.latency;
            const double end = n + 1 < presses_.size()
                ? static_cast<double>(presses_[n + 1].click_ns - kOrigin) / 1e9 + player.latency
                : 13.5;
            const std::vector<float>& file = sounds_.at(Played(presses_[n].path, player)).mono;
            const double speed = player.plays == Plays::Detuned ? std::exp2(0.05 / 1200.0) : 1.0;
            const auto dropped = [&](double t) {
                return std::any_of(dropouts.begin(), dropouts.end(),
                                   [&](auto d) { return t >= d.at && t < d.at + d.length; });
            };
            // As the mixer does: a sound gives way by fading out while the
            // next fades in from the same frame; from silence it starts as it is.
            const bool after_sound = n > 0 && presses_[n - 1].path != "reset";
            for (std::size_t i = frame(start); i < frame(end + player.fade) && i < frames; ++i) {
                const double t = static_cast<double>(i) / kRate;
                if (dropped(t) || player.plays == Plays::Nothing)
                    continue;
                double held = 0.0; // the silence dropouts put in so far
                for (auto d : dropouts)
                    held += !d.skips && d.at >= start && d.at < t ? std::min(d.length, t - d.at) : 0.0;
                const double x =
                    (t - start - held) * sounds_.at(Played(presses_[n].path, player)).rate * speed;
                const auto k = static_cast<std::size_t>(x) % file.size();
                const double f = x - std::floor(x);
                double v = file[k] * (1.0 - f) + file[(k + 1) % file.size()] * f;
                if (t >= end)
                    v *= 1.0 - (t - end) / player.fade;
                if (after_sound && t - start < player.fade)
                    v *= (t - start) / player.fade;
                mono[i] += static_cast<float>(v);
            }
        }
        Recording recording{kRate, std::vector<float>(2 * frames), kOrigin};
        for (std::size_t i = 0; i < frames; ++i)
            recording.stereo[2 * i] = recording.stereo[2 * i + 1] = mono[i];
        return Analyse(recording, presses_, [&](const std::string& path) { return &sounds_.at(path); });
    }

    static std::string Played(const std::string& path, const Player& player)
    {
        if (player.plays != Plays::WrongNote || path == "reset")
            return path;
        return path == "A" ? "D" : path == "D" ? "G" : "A";
    }

    std::vector<Press> presses_;
    std::map<std::string, Sound> sounds_;
};

// Dropouts of a few frames to tens of milliseconds: where a note starts, in
// the middle of one measured for its pitch, in a fade, where a note replaces
// another and right after; the sound after some goes on, after others skips.
const std::vector<Dropout> kDropouts = {
    {0.5205, 0.0001}, {0.53, 0.0005, true}, {1.4, 0.03}, {2.2, 0.002, true},      {4.4, 0.05, true},
    {8.8148, 0.001},  {8.8205, 0.0004},     {9.1, 0.05}, {11.4201, 0.0002, true}, {11.6, 0.001, true},
    {11.421, 0.08, true}};

TEST_F(RecordingAnalysis, AGoodPlayerPassesEveryCheckHoweverDropoutsCutIt)
{
    for (const auto& dropouts : {std::vector<Dropout>{}, kDropouts}) {
        const Report report = Record(Player{}, dropouts);
        const Verdicts v = Judge(report);
        EXPECT_TRUE(v.heard && v.pitch && v.clicks) << dropouts.size() << " dropouts";
        EXPECT_EQ(report.transitions_measured + report.transitions_cut, 6);
        // From rest, and, unless a dropout cut its opening, where a note
        // crossfades with the one it replaces.
        for (const auto& r : report.presses)
            if (r.press->kind == "idle" || r.press->kind == "pitch" ||
                (r.press->kind == "busy" && dropouts.empty())) {
                ASSERT_TRUE(r.latency_ms);
                EXPECT_NEAR(*r.latency_ms, 20.0, dropouts.empty() ? 0.1 : 10.0) << r.press->kind;
            }
        EXPECT_EQ(report.dropouts > 0, !dropouts.empty());
    }
}

// A click that took long to go out (a busy machine starting xdotool): its
// sound comes that much later, and is heard.
TEST_F(RecordingAnalysis, AClickSlowToSendMayBringItsSoundThatMuchLater)
{
    for (auto& press : presses_)
        press.sent_ns = press.click_ns + 450'000'000;
    const Verdicts v = Judge(Record(Player{Plays::Right, 0.47}, kDropouts));
    EXPECT_TRUE(v.heard && v.pitch && v.clicks);
}

TEST_F(RecordingAnalysis, APlayerAtFaultFailsTheChecksItBreaksDropoutsOrNot)
{
    struct Case {
        const char* name;
        Player player;
        bool heard, pitch, clicks;
    };
    const Case cases[] = {
        {"plays nothing", {Plays::Nothing}, false, false, false},
        {"plays the wrong note", {Plays::WrongNote}, false, false, false},
        {"plays late", {Plays::Right, 0.45}, false, false, false},
        {"plays off pitch", {Plays::Detuned}, true, false, true},
        {"clicks where a sound gives way", {Plays::Right, 0.02, 0.0}, true, true, false},
    };
    for (const auto& c : cases)
        for (const auto& dropouts : {std::vector<Dropout>{}, kDropouts}) {
            const Verdicts v = Judge(Record(c.player, dropouts));
            EXPECT_EQ(v.heard, c.heard) << c.name << ", " << dropouts.size() << " dropouts";
            EXPECT_EQ(v.pitch, c.pitch) << c.name << ", " << dropouts.size() << " dropouts";
            EXPECT_EQ(v.clicks, c.clicks) << c.name << ", " << dropouts.size() << " dropouts";
        }
}

} // namespace
} // namespace tarvisk::bench
