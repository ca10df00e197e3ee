// The default library tool: note names, the pitch measurement it relies on,
// and the library it makes, measured to a hundredth of a cent.

#include "sound/library.h"
#include "tools/fixtures/sound_fixtures.h"
#include "tools/tunes/library_tool.h"
#include "tools/tunes/notes.h"
#include "tools/tunes/pitch.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/wav_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sstream>

namespace tarvisk::tunes {
namespace {

namespace fs = std::filesystem;

double Cents(double hz, double target) { return 1200.0 * std::log2(hz / target); }

TEST(ParseNote, ReadsLetterAccidentalAndOctave)
{
    const std::pair<const char*, int> cases[] = {
        {"E2", 40}, {"A2", 45}, {"D3", 50},  {"G3", 55},  {"B3", 59},  {"H3", 59}, {"E4", 64},
        {"A4", 69}, {"C4", 60}, {"F#3", 54}, {"Bb1", 34}, {"Cb4", 59}, {"d2", 38},
    };
    for (const auto& [name, midi] : cases)
        EXPECT_EQ(ParseNote(name), midi) << name;
    for (const char* bad : {"", "E", "X2", "E#", "E22", "E-1", "#2", "Eb", "E2 "})
        EXPECT_FALSE(ParseNote(bad)) << bad;
}

TEST(ParseTuning, TakesSixNamesLowestFirst)
{
    EXPECT_EQ(ParseTuning("E2 A2 D3 G3 B3 E4"), kStandardTuning);
    EXPECT_EQ(ParseTuning("D2 A2 D3 G3 B3 E4"), (Tuning{38, 45, 50, 55, 59, 64}));
    EXPECT_EQ(ParseTuning(" D2,A2, D3  G3 B3 E4 "), (Tuning{38, 45, 50, 55, 59, 64}));
    EXPECT_FALSE(ParseTuning("E2 A2 D3 G3 B3"));
    EXPECT_FALSE(ParseTuning("E2 A2 D3 G3 B3 E4 A4"));
    EXPECT_FALSE(ParseTuning("E2 A2 D3 G3 B3 Q4"));
}

TEST(NearestNote, NamesTheNoteAndTheDeviationInCents)
{
    const Nearest sharp_a = NearestNote(440.0 * std::exp2(0.3 / 12.0), 440.0);
    EXPECT_EQ(NoteName(sharp_a.midi), "A4");
    EXPECT_NEAR(sharp_a.cents, 30.0, 1e-9);
    const Nearest flat_e = NearestNote(82.0, 440.0);
    EXPECT_EQ(NoteName(flat_e.midi), "E2");
    EXPECT_NEAR(flat_e.cents, Cents(82.0, 82.406889), 1e-4);
    EXPECT_EQ(NoteName(NearestNote(432.0, 432.0).midi), "A4");
    EXPECT_EQ(NoteName(61), "C#4");
}

TEST(StandardTuning, HasTheExactPitchesOfTheSixStrings)
{
    const double expected[] = {82.4069, 110.0, 146.8324, 195.9977, 246.9417, 329.6276};
    for (std::size_t s = 0; s < 6; ++s)
        EXPECT_NEAR(NoteHz(kStandardTuning[s], 440.0), expected[s], 1e-4);
    // NoteFiles run highest first: E2.wav is the high E string.
    EXPECT_EQ(NoteName(StringNote(kStandardTuning, 0)), "E4");
    EXPECT_EQ(NoteName(StringNote(kStandardTuning, 1)), "B3");
    EXPECT_EQ(NoteName(StringNote(kStandardTuning, 5)), "E2");
}

std::vector<float> Sine(double hz, double seconds, double rate, double level = 0.5)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] =
            static_cast<float>(level * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    return x;
}

TEST(MeasurePitch, FindsSinesToAHundredthOfACent)
{
    for (const double hz : {41.2034, 82.4069, 123.4567, 329.6276, 440.0, 987.77, 1500.25}) {
        const auto measured = MeasurePitch(Sine(hz, 1.5, 44100), 44100);
        ASSERT_TRUE(measured) << hz;
        EXPECT_NEAR(Cents(*measured, hz), 0.0, 0.01) << hz;
    }
    const auto at_48k = MeasurePitch(Sine(196.0, 1.0, 48000), 48000);
    ASSERT_TRUE(at_48k);
    EXPECT_NEAR(Cents(*at_48k, 196.0), 0.0, 0.01);
}

TEST(MeasurePitch, FollowsTheFundamentalOfADecayingToneWithWeakFirstPartial)
{
    const double rate = 44100;
    const double hz = 110.0;
    std::vector<float> x(static_cast<std::size_t>(2.0 * rate));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0.02 * std::sin(2 * std::numbers::pi * hz * t);
        for (int n = 2; n <= 6; ++n)
            v += 0.3 / n * std::sin(2 * std::numbers::pi * n * hz * t + n);
        x[i] = static_cast<float>(v * std::exp(-t / 0.8));
    }
    const auto measured = MeasurePitch(x, rate);
    ASSERT_TRUE(measured);
    EXPECT_NEAR(Cents(*measured, hz), 0.0, 0.05);
}

TEST(MeasurePitch, FindsNoPitchInSilenceNoiseOrTooShortASound)
{
    EXPECT_FALSE(MeasurePitch(std::vector<float>(44100, 0.0f), 44100));
    std::vector<float> noise(44100);
    std::uint32_t seed = 1;
    for (float& v : noise) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    EXPECT_FALSE(MeasurePitch(noise, 44100));
    EXPECT_FALSE(MeasurePitch(Sine(82.41, 0.02, 44100), 44100));
    EXPECT_FALSE(MeasurePitch({}, 44100));
}

TEST(PureTone, HoldsWholeCyclesSoItsLoopIsSeamless)
{
    for (const int midi : kStandardTuning) {
        const double hz = NoteHz(midi, 440.0);
        const WholeCycles fit = FitWholeCycles(hz, kRate, 2.0, 4.0);
        EXPECT_NEAR(Cents(static_cast<double>(fit.cycles) * kRate / static_cast<double>(fit.frames), hz), 0.0,
                    0.01);
        const auto x = PureTone(hz, kRate);
        ASSERT_EQ(x.size(), fit.frames);
        // Across the seam the sine steps as it does everywhere else.
        const double step = 2.0 * 0.5 * std::sin(std::numbers::pi * hz / kRate);
        EXPECT_LE(std::abs(x.front() - x.back()), step * 1.0001) << NoteName(midi);
        EXPECT_EQ(x.front(), 0.0f);
    }
}

TEST(PluckedNote, StartsAndEndsInSilenceSoItsLoopIsAClickFreeRepluck)
{
    for (const Voice voice : {Voice::Acoustic, Voice::Electric}) {
        const auto x = PluckedNote(82.41, voice, kRate);
        EXPECT_EQ(x.front(), 0.0f);
        EXPECT_EQ(x.back(), 0.0f);
        float peak = 0.0f;
        for (float v : x)
            peak = std::max(peak, std::abs(v));
        EXPECT_NEAR(peak, 0.6f, 1e-6f);
    }
}

// Every note of the set, measured, against its string's note in `tuning`.
void ExpectSetAtPitch(const fs::path& folder, const Tuning& tuning, double a4_hz)
{
    for (std::size_t i = 0; i < NoteFiles.size(); ++i) {
        const fs::path file = folder / NoteFiles[i];
        SCOPED_TRACE(file.string());
        std::string error;
        const auto wav = ReadWav(file.string(), error);
        ASSERT_TRUE(wav) << error;
        EXPECT_EQ(wav->rate, kRate);
        EXPECT_EQ(wav->channels, 1);
        const auto hz = MeasurePitch(wav->mono, wav->rate);
        ASSERT_TRUE(hz);
        EXPECT_NEAR(Cents(*hz, NoteHz(StringNote(tuning, i), a4_hz)), 0.0, 0.01);
    }
}

void ExpectLibraryAtPitch(const fs::path& dir, double a4_hz)
{
    for (const SoundSetDef& set : kDefaultSets)
        ExpectSetAtPitch(dir / set.name, set.tuning, a4_hz);
}

class GeneratedLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new sound_test::TempDir;
        std::ostringstream log;
        ASSERT_TRUE(GenerateLibrary(dir_->path(), {}, log)) << log.str();
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static inline sound_test::TempDir* dir_ = nullptr;
};

TEST_F(GeneratedLibrary, EveryNoteOfEverySetIsWithinAHundredthOfACentOfItsTuning)
{
    EXPECT_EQ(DefaultSetTuning("Drop D"), ParseTuning("D2 A2 D3 G3 B3 E4"));
    EXPECT_EQ(DefaultSetTuning("DADGAD"), ParseTuning("D2 A2 D3 G3 A3 D4"));
    EXPECT_EQ(DefaultSetTuning("Open G"), ParseTuning("D2 G2 D3 G3 B3 D4"));
    EXPECT_EQ(DefaultSetTuning("Open D"), ParseTuning("D2 A2 D3 F#3 A3 D4"));
    EXPECT_EQ(DefaultSetTuning("E flat"), ParseTuning("Eb2 Ab2 Db3 Gb3 Bb3 Eb4"));
    for (const std::string_view name : {"Acoustic", "Electric", "Sine"})
        EXPECT_EQ(DefaultSetTuning(name), kStandardTuning) << name;
    ExpectLibraryAtPitch(dir_->path(), 440.0);
}

TEST_F(GeneratedLibrary, ResetIsShortAndSilentAndTheChordSounds)
{
    std::string error;
    const auto reset = ReadWav((dir_->path() / kResetFile).string(), error);
    ASSERT_TRUE(reset) << error;
    EXPECT_LE(reset->frames, kRate / 10);
    EXPECT_EQ(sound_test::Rms(reset->mono), 0.0);
    const auto chord = ReadWav((dir_->path() / kChordFile).string(), error);
    ASSERT_TRUE(chord) << error;
    EXPECT_GT(sound_test::Rms(chord->mono), 0.02);
}

TEST_F(GeneratedLibrary, CheckKnowsEachSetsTuningAndFlagsWhatIsMissingBrokenOrOff)
{
    std::ostringstream good;
    EXPECT_TRUE(CheckLibrary(dir_->path(), 440.0, good)) << good.str();
    EXPECT_NE(good.str().find("8 sets, 48 note files, 0 missing or unreadable, 0 off pitch"),
              std::string::npos)
        << good.str();
    EXPECT_NE(good.str().find("E.wav: ok, WAV (Microsoft), Signed 16 bit PCM, mono, 44100 Hz"),
              std::string::npos);
    EXPECT_NE(good.str().find("[Drop D] D2 A2 D3 G3 B3 E4\n"), std::string::npos) << good.str();

    sound_test::TempDir broken;
    fs::copy(dir_->path(), broken.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::remove(broken.path() / "Electric" / "G.wav");
    fs::remove(broken.path() / "reset.wav");
    std::ofstream(broken.path() / "Acoustic" / "A.wav") << "not a sound";
    // A set of unknown tuning, and E2 where Drop D wants D2.
    fs::copy(dir_->path() / "Drop D", broken.path() / "Mine");
    fs::copy_file(dir_->path() / "Acoustic" / "E.wav", broken.path() / "Drop D" / "E.wav",
                  fs::copy_options::overwrite_existing);
    std::ostringstream report;
    EXPECT_FALSE(CheckLibrary(broken.path(), 440.0, report));
    const std::string text = report.str();
    EXPECT_NE(text.find("reset.wav: MISSING"), std::string::npos) << text;
    EXPECT_NE(text.find("[Electric] E2 A2 D3 G3 B3 E4\n  E2.wav: ok"), std::string::npos) << text;
    EXPECT_NE(text.find("  G.wav: MISSING"), std::string::npos) << text;
    EXPECT_NE(text.find("  A.wav: UNREADABLE"), std::string::npos) << text;
    EXPECT_NE(text.find("[Mine]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("nearest D2 "), std::string::npos) << text;
    EXPECT_NE(text.find("Hz, D2 +200.000 cents OFF\n"), std::string::npos) << text;
    EXPECT_NE(text.find("9 sets, 54 note files, 3 missing or unreadable, 1 off pitch"), std::string::npos)
        << text;
}

TEST(GenerateLibrary, MakesEveryNoteExactFromBaroquePitchToTheHighOrgans)
{
    for (const double a4 : {kMinA4, kMaxA4}) {
        SCOPED_TRACE(a4);
        sound_test::TempDir dir;
        GenerateOptions options;
        options.a4_hz = a4;
        std::ostringstream log;
        ASSERT_TRUE(GenerateLibrary(dir.path(), options, log)) << log.str();
        ExpectLibraryAtPitch(dir.path(), a4);
        std::ostringstream report;
        EXPECT_TRUE(CheckLibrary(dir.path(), a4, report)) << report.str();
    }
    EXPECT_EQ(kMinA4, 415.0);
    EXPECT_EQ(kMaxA4, 466.0);
}

TEST(GenerateLibrary, AddsOneNamedSetInTheGivenTuning)
{
    sound_test::TempDir dir;
    GenerateOptions options;
    options.set = ExtraSet{"Open C", *ParseTuning("C2 G2 C3 G3 C4 E4")};
    std::ostringstream log;
    ASSERT_TRUE(GenerateLibrary(dir.path(), options, log)) << log.str();
    ExpectSetAtPitch(dir.path() / "Open C", options.set->tuning, 440.0);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u) << "only the set's folder";

    for (const char* name : {"Open C", "DADGAD", "Set 2"})
        EXPECT_TRUE(IsSetName(name)) << name;
    for (const char* name : {"", ".hidden", " Lead", "Lead ", "a/b", "a\\b", "Drop-D", "C\xc3\xa9"})
        EXPECT_FALSE(IsSetName(name)) << name;
}

int RunTool(const std::string& arguments)
{
    const std::string command =
        std::string("\"") + TARVISK_TUNES_TOOL + "\" " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TunesTool, ExitStatusTellsUsageErrorsAndMissingLibraries)
{
    sound_test::TempDir dir;
    EXPECT_EQ(RunTool("--help"), 0);
    EXPECT_EQ(RunTool(""), 2);
    EXPECT_EQ(RunTool("play"), 2);
    const std::string out = "generate '" + dir.path().string() + "' ";
    EXPECT_EQ(RunTool(out + "--a4 414.9"), 2);
    EXPECT_EQ(RunTool(out + "--a4 466.1"), 2);
    EXPECT_EQ(RunTool(out + "--set Mine --tuning 'E2 A2'"), 2);
    EXPECT_EQ(RunTool(out + "--tuning 'D2 A2 D3 G3 B3 E4'"), 2) << "a tuning names its set";
    EXPECT_EQ(RunTool(out + "--set .hidden"), 2);
    EXPECT_EQ(RunTool(out + "--set 'Low C' --tuning 'C2 G2 C3 F3 A3 D4' --a4 415"), 0);
    EXPECT_EQ(RunTool(out + "--set 'Low C' --a4 466"), 0);
    EXPECT_EQ(RunTool("check '" + (dir.path() / "none").string() + "'"), 1);
    EXPECT_EQ(RunTool("check '" + dir.path().string() + "'"), 1);
}

} // namespace
} // namespace tarvisk::tunes
