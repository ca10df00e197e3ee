// The mixer alone, as a function from requests and samples to frames: what
// replaces what, how loops and one-shots end, and the pitch at every rate.

#include "tools/fixtures/sound_fixtures.h"
#include "toolkit/linux_sound/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tarvisk::sound_test {
namespace {

using tk::linux_sound::Mixer;
using tk::sndfile::Pcm;

constexpr int kRate = 48000;

// Deterministic, non-periodic content: any gap or slip shows.
std::int16_t Noise(std::size_t i, int channel)
{
    std::uint32_t x = static_cast<std::uint32_t>(i * 2 + static_cast<std::size_t>(channel)) * 2654435761u;
    x ^= x >> 15;
    return static_cast<std::int16_t>(static_cast<int>(x % 40000u) - 20000);
}

// A tone of a whole number of periods, so that a loop of it is one steady tone.
std::shared_ptr<const Pcm> Tone(double hz, double seconds, int rate, double level = 0.5)
{
    const double periods = std::round(hz * seconds);
    const auto frames = static_cast<std::size_t>(std::lround(periods * rate / hz));
    Pcm pcm{rate, 1, std::vector<std::int16_t>(frames)};
    for (std::size_t i = 0; i < frames; ++i)
        pcm.samples[i] = static_cast<std::int16_t>(std::lround(
            level * 32767.0 * std::sin(2.0 * std::numbers::pi * periods * static_cast<double>(i) / frames)));
    return std::make_shared<const Pcm>(std::move(pcm));
}

std::vector<float> Render(Mixer& mixer, std::size_t frames, bool* keep = nullptr)
{
    std::vector<float> out(2 * frames);
    const bool rendered = mixer.Render(out.data(), frames);
    if (keep != nullptr)
        *keep = rendered;
    return out;
}

double LargestStep(const std::vector<float>& stereo, float before)
{
    double largest = 0.0;
    for (std::size_t i = 0; i < stereo.size(); i += 2) {
        largest = std::max(largest, static_cast<double>(std::fabs(stereo[i] - before)));
        before = stereo[i];
    }
    return largest;
}

TEST(Mixer, LoopAtTheOutputRateRepeatsItsSamplesExactlyAcrossEverySeam)
{
    constexpr std::size_t kFrames = 3001; // odd, and no multiple of any slice below
    Pcm pcm{kRate, 2, {}};
    for (std::size_t i = 0; i < kFrames; ++i)
        pcm.samples.insert(pcm.samples.end(), {Noise(i, 0), Noise(i, 1)});
    Mixer mixer(kRate, 1.0);
    mixer.Play(std::make_shared<const Pcm>(pcm), true);
    std::vector<float> out;
    for (std::size_t slice : {1u, 511u, 4096u, 7u, 13000u}) {
        const auto more = Render(mixer, slice);
        out.insert(out.end(), more.begin(), more.end());
    }
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < out.size(); ++i)
        if (out[i] != Noise((i / 2) % kFrames, static_cast<int>(i % 2)) / 32768.0f)
            ++mismatches;
    EXPECT_EQ(mismatches, 0u);
}

// At every rate a file may have, the pitch is the file's own, a loop has no
// seam, and a mono file sounds on both channels.
TEST(Mixer, AnyFileRateSoundsAtItsExactPitchWithoutSeams)
{
    for (int rate : {8000, 22050, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        constexpr double kHz = 110.0;
        Mixer mixer(kRate, 1.0);
        mixer.Play(Tone(kHz, 0.5, rate), true);
        const auto out = Render(mixer, 2 * kRate);
        const auto left = Left(out, kRate / 10, kRate);
        const double cents = 1200.0 * std::log2(PitchOf(left, kRate) / kHz);
        EXPECT_NEAR(cents, 0.0, 0.01);
        // Two seams pass within the second measured; a seam would step.
        EXPECT_LE(LargestStep(std::vector<float>(out.begin() + kRate / 5, out.end()), out[kRate / 5 - 2]),
                  1.02 * 0.5 * 2.0 * std::numbers::pi * kHz / kRate);
        EXPECT_EQ(out[kRate + 1], out[kRate]);
    }
}

// Every kind of request that replaces a loop sounding mid-wave: the two
// crossfade, after which the new sound plays untouched, and no sample steps
// further than the tones themselves do.
TEST(Mixer, NewRequestCrossfadesWithTheOldSoundWithoutAClick)
{
    constexpr double kLevel = 0.9;
    const auto fade = static_cast<std::size_t>(tk::linux_sound::kFadeSeconds * kRate);
    for (const bool replaced : {true, false}) {
        SCOPED_TRACE(replaced ? "another sound" : "nothing");
        Mixer mixer(kRate, 1.0);
        mixer.Play(Tone(440.0, 0.3, kRate, kLevel), true);
        const auto before = Render(mixer, 7944); // near a crest, at no seam
        ASSERT_GT(std::fabs(before[before.size() - 2]), 0.5f);
        const auto next = Tone(659.26, 0.3, kRate, kLevel);
        mixer.Play(replaced ? next : nullptr, false);
        const auto out = Render(mixer, 4 * fade);

        for (std::size_t i = 2 * fade; i < out.size() / 2; ++i)
            ASSERT_EQ(out[2 * i], replaced ? next->samples[i] / 32768.0f : 0.0f) << "frame " << i;
        // The higher tone's own largest step, and what the ramps add to it.
        const double own = kLevel * 2.0 * std::numbers::pi * 659.26 / kRate;
        EXPECT_LE(LargestStep(out, before[before.size() - 2]),
                  own + 2.0 * kLevel / static_cast<double>(fade));
    }
}

// An output that holds frames not yet heard has a new sound start at one of
// them: it fades in from exactly what was rendered there, after the fade
// only it sounds, and no further back than the mixer holds.
TEST(Mixer, ANewSoundMayStartAtAFrameAlreadyRenderedAndFadesFromWhatWasThere)
{
    constexpr double kLevel = 0.9;
    const auto fade = static_cast<std::size_t>(tk::linux_sound::kFadeSeconds * kRate);
    Mixer mixer(kRate, 1.0, 0.5);
    const auto first = Tone(440.0, 0.3, kRate, kLevel);
    mixer.Play(first, true);
    const auto before = Render(mixer, kRate / 2);
    const auto next = Tone(659.26, 0.3, kRate, kLevel);
    constexpr std::uint64_t kAt = 7944; // near a crest, at no seam
    // Made ready on one thread, started on another: what it replaced is
    // freed by Collect, not where it started.
    ASSERT_EQ(mixer.PlayAt(mixer.Ready(next, false), kAt), kAt);
    EXPECT_GT(first.use_count(), 1);
    mixer.Collect();
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_EQ(mixer.Next(), kAt);
    const auto out = Render(mixer, 4 * fade);

    EXPECT_EQ(out[0], before[2 * kAt]) << "the first frame is as it was";
    for (std::size_t i = 2 * fade; i < out.size() / 2; ++i)
        ASSERT_EQ(out[2 * i], next->samples[i] / 32768.0f) << "frame " << i;
    const double own = kLevel * 2.0 * std::numbers::pi * 659.26 / kRate;
    EXPECT_LE(LargestStep(out, before[2 * kAt - 2]), own + 2.0 * kLevel / static_cast<double>(fade));

    Render(mixer, kRate);
    const std::uint64_t earliest = mixer.Next() - kRate / 2;
    EXPECT_EQ(mixer.PlayAt(nullptr, false, 0), earliest) << "the earliest frame held";
}

TEST(Mixer, OneShotEndsWithItsFileIsFreedOffTheAudioThreadAndTheOutputMayRestOnceQuietLongEnough)
{
    Mixer mixer(kRate, 0.5);
    bool keep = false;
    Render(mixer, kRate / 4, &keep);
    EXPECT_TRUE(keep) << "ready for a while from the start";
    const auto tone = Tone(220.0, 0.1, kRate);
    mixer.Play(tone, false);
    const auto out = Render(mixer, kRate / 4, &keep);
    EXPECT_TRUE(keep);
    EXPECT_GT(Rms(Left(out, 0, kRate / 10)), 0.3);
    EXPECT_EQ(Rms(Left(out, kRate / 10, kRate / 10)), 0.0) << "the one-shot played once";
    EXPECT_GT(tone.use_count(), 1) << "ended, but not freed on the thread that renders";
    mixer.Collect();
    EXPECT_EQ(tone.use_count(), 1) << "freed by Collect";
    Render(mixer, kRate / 2, &keep);
    EXPECT_FALSE(keep) << "half a second of silence";
    mixer.Play(Tone(220.0, 0.1, kRate), true);
    Render(mixer, kRate, &keep);
    EXPECT_TRUE(keep) << "a loop keeps the output going";
}

} // namespace
} // namespace tarvisk::sound_test
