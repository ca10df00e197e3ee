// What the OpenAL output really sounds, rendered through a loopback device.

#include "tools/fixtures/sound_fixtures.h"
#include "toolkit/openal/fallback_alert.h"
#include "toolkit/openal/openal_sound_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <sndfile.h>

namespace tarvisk::sound_test {
namespace {

using tk::openal::OpenAlSoundOutput;
constexpr int kRate = 44100;
// Every sound starts on a silent lead of one mixing period, while the one
// before it fades out.
constexpr std::size_t kLead = 256;
constexpr double kLeadSeconds = static_cast<double>(kLead) / kRate;

class LoopbackOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        output_ = OpenAlSoundOutput::ForLoopback(kRate);
        ASSERT_NE(output_, nullptr) << "OpenAL Soft without loopback devices";
    }

    void Play(const std::string& name, unsigned flags)
    {
        output_->sndPlaySoundA(dir_.ProgramPath(name), flags);
        output_->WaitUntilSettled();
    }

    std::vector<float> Render(double seconds)
    {
        return output_->Render(static_cast<std::size_t>(seconds * kRate));
    }

    // Pitch and loudness of the left channel over [from, from + length) seconds.
    double PitchAt(const std::vector<float>& out, double from, double length)
    {
        const auto left =
            Left(out, static_cast<std::size_t>(from * kRate), static_cast<std::size_t>(length * kRate));
        return PitchOf(left, kRate);
    }
    double RmsAt(const std::vector<float>& out, double from, double length)
    {
        return Rms(
            Left(out, static_cast<std::size_t>(from * kRate), static_cast<std::size_t>(length * kRate)));
    }

    TempDir dir_;
    std::unique_ptr<OpenAlSoundOutput> output_;
};

constexpr unsigned kOnce = tk::kPlayAsync;
constexpr unsigned kLoop = tk::kPlayAsync | tk::kPlayLoop;

// Deterministic, non-periodic 16-bit content: any gap or slip shows.
std::int16_t Noise(std::size_t i, int channel)
{
    std::uint32_t x = static_cast<std::uint32_t>(i * 2 + static_cast<std::size_t>(channel)) * 2654435761u;
    x ^= x >> 15;
    return static_cast<std::int16_t>(static_cast<int>(x % 40000u) - 20000);
}

TEST_F(LoopbackOutput, LoopRepeatsItsFileSampleExactlyAcrossEverySeam)
{
    constexpr std::size_t kFrames = 3001; // odd, and no multiple of a mixing period
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < kFrames; ++i)
        samples.insert(samples.end(), {Noise(i, 0), Noise(i, 1)});
    WritePcm16(dir_.path() / "seam.wav", 2, kRate, samples);
    Play("seam.wav", kLoop);
    const auto out = output_->Render(kLead + 6 * kFrames + 17);

    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < out.size() / 2; ++i)
        for (int c = 0; c < 2; ++c)
            if (out[2 * i + static_cast<std::size_t>(c)] !=
                (i < kLead ? 0.0f : Noise((i - kLead) % kFrames, c) / 32768.0f))
                ++mismatches;
    EXPECT_EQ(mismatches, 0u);
}

TEST_F(LoopbackOutput, LoopKeepsSoundingOverSeveralLengthsOfItsFile)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.25);
    Play("A.wav", kLoop);
    const auto out = Render(1.6);
    for (double t = 0.0; t < 1.5; t += 0.25) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(PitchAt(out, t + 0.01, 0.2), 440.0, 0.5);
        EXPECT_GT(RmsAt(out, t, 0.25), 0.3);
    }
}

TEST_F(LoopbackOutput, PlayOnceAfterALoopEndsTheLoop)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.3);
    WriteSine(dir_.path() / "E.wav", 660.0, 0.2);
    Play("A.wav", kLoop);
    Render(0.4);
    Play("E.wav", kOnce);
    const auto out = Render(1.0);
    EXPECT_NEAR(PitchAt(out, kLeadSeconds, 0.19), 660.0, 0.5);
    EXPECT_EQ(RmsAt(out, kLeadSeconds + 0.21, 0.75), 0.0);
}

TEST_F(LoopbackOutput, MissingFileEndsALoopAndSoundsTheFallbackOnce)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.3);
    Play("A.wav", kLoop);
    Render(0.4);
    const auto fallbacks = output_->GetStats().fallbacks;
    Play("Acoustic\\gone.wav", kLoop);
    const auto out = Render(1.0);
    EXPECT_NEAR(PitchAt(out, kLeadSeconds, 0.2), tk::openal::kFallbackAlertHz, 1.0);
    EXPECT_EQ(RmsAt(out, kLeadSeconds + tk::openal::kFallbackAlertSeconds + 0.01, 0.6), 0.0);
    EXPECT_EQ(output_->GetStats().fallbacks, fallbacks + 1);
}

TEST_F(LoopbackOutput, WithoutTheDefaultAMissingFileJustEndsTheLoop)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.3);
    Play("A.wav", kLoop);
    Render(0.4);
    Play("gone.wav", kOnce | tk::kPlayNoDefault);
    EXPECT_EQ(RmsAt(Render(0.5), kLeadSeconds, 0.45), 0.0);
    EXPECT_EQ(output_->GetStats().fallbacks, 0u);
}

TEST_F(LoopbackOutput, SecondQuickRequestCutsTheFirstShort)
{
    WriteSine(dir_.path() / "long.wav", 440.0, 1.0);
    WriteSine(dir_.path() / "short.wav", 660.0, 0.2);
    Play("long.wav", kOnce);
    Render(0.1);
    Play("short.wav", kOnce);
    const auto out = Render(1.0);
    EXPECT_NEAR(PitchAt(out, kLeadSeconds, 0.19), 660.0, 0.5);
    EXPECT_EQ(RmsAt(out, kLeadSeconds + 0.21, 0.75), 0.0) << "the first sound came back";
}

TEST_F(LoopbackOutput, OfRequestsMadeBeforeAnyPlaysOnlyTheLastSounds)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.5);
    WriteSine(dir_.path() / "D.wav", 587.33, 0.5);
    output_->sndPlaySoundA(dir_.ProgramPath("A.wav"), kLoop);
    output_->sndPlaySoundA(dir_.ProgramPath("missing.wav"), kOnce);
    output_->sndPlaySoundA(dir_.ProgramPath("D.wav"), kOnce);
    output_->WaitUntilSettled();
    const auto out = Render(1.0);
    EXPECT_NEAR(PitchAt(out, kLeadSeconds, 0.45), 587.33, 0.5);
    EXPECT_EQ(RmsAt(out, kLeadSeconds + 0.51, 0.45), 0.0);
}

TEST_F(LoopbackOutput, ReplayComesFromTheCacheUntilTheFileChanges)
{
    namespace fs = std::filesystem;
    const fs::path file = dir_.path() / "G.wav";
    WriteSine(file, 196.0, 0.5);
    Play("G.wav", kLoop);
    Play("G.wav", kOnce);
    Play("G.wav", kLoop);
    EXPECT_EQ(output_->GetStats().decodes, 1u);
    EXPECT_GT(output_->GetStats().cached_bytes, 0u);

    // Same size, new content, a later time stamp: read afresh.
    const auto stamp = fs::last_write_time(file);
    WriteSine(file, 220.0, 0.5);
    fs::last_write_time(file, stamp + std::chrono::seconds(2));
    Play("G.wav", kLoop);
    EXPECT_EQ(output_->GetStats().decodes, 2u);
    EXPECT_NEAR(PitchAt(Render(0.5), kLeadSeconds, 0.45), 220.0, 0.5);
}

TEST_F(LoopbackOutput, FileThatVanishesAfterPlayingOnceSoundsTheFallback)
{
    WriteSine(dir_.path() / "H.wav", 246.94, 0.3);
    Play("H.wav", kOnce);
    Render(0.4);
    std::filesystem::remove(dir_.path() / "H.wav");
    Play("H.wav", kLoop);
    EXPECT_NEAR(PitchAt(Render(0.3), kLeadSeconds, 0.2), tk::openal::kFallbackAlertHz, 1.0);
}

// Every kind of request that replaces a loop sounding mid-wave: the old
// sound fades to silence within the lead, the new file follows it untouched,
// and no sample steps further than the tones themselves do.
struct Replacement {
    const char* name;
    const char* file; // empty: nothing new sounds
    unsigned flags;
};

class EveryReplacement : public LoopbackOutput, public ::testing::WithParamInterface<Replacement> {};

TEST_P(EveryReplacement, FadesTheOldSoundOutBeforeTheNewOneStartsUntouched)
{
    const Replacement& r = GetParam();
    constexpr double kLevel = 0.9;
    WriteSine(dir_.path() / "A.wav", 440.0, 0.3, kRate, 0x010002, 1, kLevel);
    WriteSine(dir_.path() / "E.wav", 659.26, 0.3, kRate, 0x010002, 1, kLevel);
    WritePcm16(dir_.path() / "reset.wav", 1, kRate, std::vector<std::int16_t>(2205, 0));
    Play("A.wav", kLoop);
    const auto before = output_->Render(kLead + 7944); // near a crest, at no seam
    ASSERT_GT(std::fabs(before.back()), 0.1f);
    Play(r.file, r.flags);
    const auto out = output_->Render(8 * kLead);

    // What should follow the lead: the new file's own samples, or silence.
    std::vector<float> expected(out.size() / 2 - kLead, 0.0f);
    const std::string file = r.file;
    if (file == "E.wav" || file == "A.wav")
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = static_cast<float>(
                std::lround(kLevel * 32767.0 *
                            std::sin(2.0 * std::numbers::pi * (file == "E.wav" ? 659.26 : 440.0) *
                                     static_cast<double>(i) / kRate)) /
                32768.0);
    if (file.empty() && (r.flags & tk::kPlayNoDefault) == 0) {
        const auto alert = tk::openal::MakeFallbackAlert(kRate);
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = alert[2 * i] / 32768.0f;
    }
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(out[2 * (kLead + i)], expected[i], 1.0 / 32768.0) << "frame " << i << " after the lead";

    // The fade ends in silence just before the new sound's first frame.
    EXPECT_LT(std::fabs(out[2 * (kLead - 1)]), 2.0 * kLevel / kLead);

    // The tones' own largest step: the higher one at its level.
    const double own = kLevel * 2.0 * std::numbers::pi * 880.0 / kRate;
    float previous = before[before.size() - 2];
    double largest = 0.0;
    for (std::size_t i = 0; i < out.size() / 2; ++i) {
        largest = std::max(largest, static_cast<double>(std::fabs(out[2 * i] - previous)));
        previous = out[2 * i];
    }
    EXPECT_LE(largest, own);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EveryReplacement,
    ::testing::Values(Replacement{"NoteOnce", "E.wav", kOnce}, Replacement{"ResetSound", "reset.wav", kOnce},
                      Replacement{"SetChangeWhileLooping", "E.wav", kLoop},
                      Replacement{"MissingFileAlert", "", kLoop},
                      Replacement{"MissingFileWithoutDefault", "", kOnce | tk::kPlayNoDefault}),
    [](const ::testing::TestParamInfo<Replacement>& row) { return std::string(row.param.name); });

struct Encoding {
    const char* name;
    int format;
    int channels;
    int rate;
    double hz;
};

class EveryEncoding : public LoopbackOutput, public ::testing::WithParamInterface<Encoding> {};

TEST_P(EveryEncoding, PlaysAtItsTruePitch)
{
    const Encoding& e = GetParam();
    WriteSine(dir_.path() / "note.wav", e.hz, 0.6, e.rate, e.format, e.channels);
    Play("note.wav", kOnce);
    const auto out = Render(0.6);
    const double hz = PitchAt(out, 0.02, 0.5);
    EXPECT_NEAR(1200.0 * std::log2(hz / e.hz), 0.0, 1.0) << "measured " << hz << " Hz";
    EXPECT_NEAR(RmsAt(out, 0.05, 0.4), 0.5 / std::sqrt(2.0), 0.05);
    EXPECT_EQ(output_->GetStats().fallbacks, 0u);
}

constexpr int kWav = SF_FORMAT_WAV;
INSTANTIATE_TEST_SUITE_P(
    Wav, EveryEncoding,
    ::testing::Values(Encoding{"Pcm8Mono11025", kWav | SF_FORMAT_PCM_U8, 1, 11025, 246.94},
                      Encoding{"Pcm16Stereo44100", kWav | SF_FORMAT_PCM_16, 2, 44100, 82.41},
                      Encoding{"Pcm16Mono8000", kWav | SF_FORMAT_PCM_16, 1, 8000, 329.63},
                      Encoding{"Pcm24Mono96000", kWav | SF_FORMAT_PCM_24, 1, 96000, 196.0},
                      Encoding{"Pcm32Stereo48000", kWav | SF_FORMAT_PCM_32, 2, 48000, 146.83},
                      Encoding{"FloatMono22050", kWav | SF_FORMAT_FLOAT, 1, 22050, 110.0},
                      Encoding{"DoubleStereo32000", kWav | SF_FORMAT_DOUBLE, 2, 32000, 440.0},
                      Encoding{"ImaAdpcmMono22050", kWav | SF_FORMAT_IMA_ADPCM, 1, 22050, 329.63},
                      Encoding{"ImaAdpcmStereo44100", kWav | SF_FORMAT_IMA_ADPCM, 2, 44100, 82.41},
                      Encoding{"MsAdpcmMono44100", kWav | SF_FORMAT_MS_ADPCM, 1, 44100, 196.0},
                      Encoding{"MsAdpcmStereo11025", kWav | SF_FORMAT_MS_ADPCM, 2, 11025, 146.83},
                      Encoding{"UlawMono8000", kWav | SF_FORMAT_ULAW, 1, 8000, 246.94},
                      Encoding{"AlawStereo16000", kWav | SF_FORMAT_ALAW, 2, 16000, 110.0},
                      Encoding{"Gsm610Mono8000", kWav | SF_FORMAT_GSM610, 1, 8000, 220.0}),
    [](const ::testing::TestParamInfo<Encoding>& row) { return std::string(row.param.name); });

} // namespace
} // namespace tarvisk::sound_test
