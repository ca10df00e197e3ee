// What the player sounds for each request, heard through a memory output:
// the latest request wins, a missing file sounds the alert, decoded files
// are kept, every WAV encoding plays at its pitch, and a lost or late output
// is dealt with at the next request.

#include "tests/sound/heard_output.h"
#include "tools/fixtures/sound_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sndfile.h>

namespace tarvisk::sound_test {
namespace {

namespace fs = std::filesystem;
using tk::linux_sound::Player;

constexpr int kRate = 44100;
constexpr unsigned kOnce = tk::kPlayAsync;
constexpr unsigned kLoop = tk::kPlayAsync | tk::kPlayLoop;
// Past the crossfade that starts every sound replacing another.
constexpr double kSettle = 0.01;

class PlayerHeard : public ::testing::Test {
protected:
    void Play(const std::string& name, unsigned flags) { output_.Play(dir_.ProgramPath(name), flags); }
    std::vector<float> Render(double seconds)
    {
        return output_.Render(static_cast<std::size_t>(seconds * kRate));
    }
    static double PitchAt(const std::vector<float>& out, double from, double length)
    {
        return PitchOf(
            Left(out, static_cast<std::size_t>(from * kRate), static_cast<std::size_t>(length * kRate)),
            kRate);
    }
    static double RmsAt(const std::vector<float>& out, double from, double length)
    {
        return Rms(
            Left(out, static_cast<std::size_t>(from * kRate), static_cast<std::size_t>(length * kRate)));
    }
    Player::Stats Stats() { return output_.player().GetStats(); }

    TempDir dir_;
    HeardOutput output_{kRate};
};

// Whatever the first request was, the second ends it, and only the second
// sounds: a loop or a one-shot, the file's own or the alert in its place.
TEST_F(PlayerHeard, EveryRequestEndsWhatSoundsAndOnlyTheLatestPlays)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.3);
    WriteSine(dir_.path() / "E.wav", 660.0, 0.2);
    struct Case {
        const char* first;
        unsigned first_flags;
        const char* second;
        unsigned second_flags;
        double hz; // what sounds after: 0 for silence
    } cases[] = {
        {"A.wav", kLoop, "E.wav", kOnce, 660.0},
        {"E.wav", kOnce, "A.wav", kOnce, 440.0},
        {"A.wav", kLoop, "gone.wav", kLoop, tk::linux_sound::kFallbackAlertHz},
        {"A.wav", kLoop, "gone.wav", kOnce | tk::kPlayNoDefault, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        Play(c.first, c.first_flags);
        Render(0.1);
        Play(c.second, c.second_flags);
        const auto out = Render(1.0);
        if (c.hz > 0.0) {
            EXPECT_NEAR(PitchAt(out, kSettle, 0.15), c.hz, 0.5);
        }
        EXPECT_EQ(RmsAt(out, 0.31, 0.6), 0.0) << "what sounded before came back, or a one-shot repeated";
    }
    EXPECT_EQ(Stats().fallbacks, 1u);
}

TEST_F(PlayerHeard, OfRequestsMadeBeforeAnyPlaysOnlyTheLastSounds)
{
    WriteSine(dir_.path() / "A.wav", 440.0, 0.5);
    WriteSine(dir_.path() / "D.wav", 587.33, 0.5);
    output_.player().sndPlaySoundA(dir_.ProgramPath("A.wav"), kLoop);
    output_.player().sndPlaySoundA(dir_.ProgramPath("missing.wav"), kOnce);
    output_.player().sndPlaySoundA(dir_.ProgramPath("D.wav"), kOnce);
    const auto out = Render(1.0);
    EXPECT_NEAR(PitchAt(out, 0.0, 0.45), 587.33, 0.5);
    EXPECT_EQ(RmsAt(out, 0.51, 0.45), 0.0);
}

TEST_F(PlayerHeard, ReplayComesFromTheCacheUntilTheFileChangesOrVanishes)
{
    const fs::path file = dir_.path() / "G.wav";
    WriteSine(file, 196.0, 0.5);
    Play("G.wav", kLoop);
    Play("G.wav", kOnce);
    Play("G.wav", kLoop);
    EXPECT_EQ(Stats().decodes, 1u);

    // Same size, new content, a later time stamp: read afresh.
    const auto stamp = fs::last_write_time(file);
    WriteSine(file, 220.0, 0.5);
    fs::last_write_time(file, stamp + std::chrono::seconds(2));
    Play("G.wav", kLoop);
    EXPECT_EQ(Stats().decodes, 2u);
    EXPECT_NEAR(PitchAt(Render(0.5), kSettle, 0.45), 220.0, 0.5);

    fs::remove(file);
    Play("G.wav", kLoop);
    EXPECT_NEAR(PitchAt(Render(0.3), kSettle, 0.2), tk::linux_sound::kFallbackAlertHz, 1.0);
}

struct Encoding {
    const char* name;
    int format;
    int channels;
    int rate;
    double hz;
};

class EveryEncoding : public PlayerHeard, public ::testing::WithParamInterface<Encoding> {};

TEST_P(EveryEncoding, PlaysAtItsTruePitch)
{
    const Encoding& e = GetParam();
    WriteSine(dir_.path() / "note.wav", e.hz, 0.6, e.rate, e.format, e.channels);
    Play("note.wav", kOnce);
    const auto out = Render(0.6);
    const double hz = PitchAt(out, 0.02, 0.5);
    EXPECT_NEAR(1200.0 * std::log2(hz / e.hz), 0.0, 1.0) << "measured " << hz << " Hz";
    EXPECT_NEAR(RmsAt(out, 0.05, 0.4), 0.5 / std::sqrt(2.0), 0.05);
    EXPECT_EQ(Stats().fallbacks, 0u);
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

// The outputs a test controls: a server that may be down, and a device
// below it. What each opened sink is stays reachable.
class Outputs : public ::testing::Test {
protected:
    Outputs() { WriteSine(dir_.path() / "A.wav", 110.0, 0.1); }

    std::unique_ptr<tk::linux_sound::Sink> Open(bool up, std::vector<MemorySink*>& opened)
    {
        if (!up)
            return nullptr;
        auto sink = std::make_unique<MemorySink>(kRate);
        opened.push_back(sink.get());
        return sink;
    }
    void Play()
    {
        player_.sndPlaySoundA(dir_.ProgramPath("A.wav"), kLoop);
        player_.WaitUntilSettled();
    }
    static bool Sounds(MemorySink* sink) { return Rms(Left(sink->Render(4410), 441, 3969)) > 0.1; }

    TempDir dir_;
    std::atomic<bool> server_up_{true};
    std::atomic<bool> device_up_{true};
    std::vector<MemorySink*> servers_;
    std::vector<MemorySink*> devices_;
    Player player_{
        {[this] { return Open(server_up_, servers_); }, [this] { return Open(device_up_, devices_); }}};
};

TEST_F(Outputs, LostServerIsOpenedAgainAtTheNextRequestWhichSounds)
{
    Play();
    ASSERT_EQ(servers_.size(), 1u);
    servers_[0]->healthy = false;
    Play();
    ASSERT_EQ(servers_.size(), 2u);
    EXPECT_TRUE(Sounds(servers_[1]));
    EXPECT_EQ(player_.GetStats().decodes, 1u) << "the decoded file outlives the output";
    EXPECT_EQ(player_.GetStats().opens, 2u);
}

TEST_F(Outputs, WithoutAServerTheDeviceSoundsUntilTheServerComes)
{
    server_up_ = false;
    Play();
    ASSERT_EQ(devices_.size(), 1u);
    EXPECT_TRUE(Sounds(devices_[0]));
    server_up_ = true;
    Play();
    ASSERT_EQ(servers_.size(), 1u);
    EXPECT_TRUE(Sounds(servers_[0]));
    Play();
    EXPECT_EQ(servers_.size(), 1u) << "the server in use is kept";
}

TEST_F(Outputs, WhileNothingOpensRequestsAreSilentAndTheNextOneAfterwardsSounds)
{
    server_up_ = false;
    device_up_ = false;
    Play();
    EXPECT_FALSE(player_.GetStats().open);
    device_up_ = true;
    Play();
    EXPECT_TRUE(player_.GetStats().open);
    ASSERT_EQ(devices_.size(), 1u);
    EXPECT_TRUE(Sounds(devices_[0]));
}

} // namespace
} // namespace tarvisk::sound_test
