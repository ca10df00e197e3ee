// The default library tool: note names, the pitch measurements it relies on,
// notes held on their pitch through time, the library it makes (the build's
// own, and others made here) and the sets it imports.

#include "sound/library.h"
#include "tools/fixtures/sound_fixtures.h"
#include "tools/tunes/flatten.h"
#include "tools/tunes/import.h"
#include "tools/tunes/library_tool.h"
#include "tools/tunes/loudness.h"
#include "tools/tunes/notes.h"
#include "tools/tunes/pitch.h"
#include "tools/tunes/set_folder.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/track.h"
#include "tools/tunes/wav_io.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <sstream>

namespace tarvisk::tunes {
namespace {

namespace fs = std::filesystem;

double Cents(double hz, double target) { return 1200.0 * std::log2(hz / target); }

// What a held note aims for, in cents: half what `check` allows.
constexpr double kMedianGoalCents = kMedianCents / 2;
constexpr double kWorstGoalCents = kWorstWindowCents / 2;

// Within the bounds `check` holds every note and the chord to.
void ExpectAtLibraryLoudness(std::span<const float> x)
{
    const auto loudness = MeasureLoudness(x, kRate);
    ASSERT_TRUE(loudness);
    EXPECT_NEAR(loudness->lufs, kTargetLufs, kLoudnessToleranceLu);
    EXPECT_LE(loudness->true_peak_dbtp, kCeilingDbtp);
}

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

// A plucked string as a recording holds it: 17 cents sharp at the pick and
// settling within a tenth of a second, a faint fundamental under partials
// that die away at rates of their own, in 16-bit samples. Some low strings
// also hold their odd partials faint, so that a period finder takes the
// second harmonic for the note, an octave up.
TEST(MeasurePitch, FindsThePitchAPluckedToneSettlesOnDespiteAFaintFundamental)
{
    const double rate = 44100;
    const double hz = 110.0;
    for (const double odd : {1.0, 0.05}) {
        SCOPED_TRACE(odd);
        std::vector<float> x(static_cast<std::size_t>(4.0 * rate));
        double phase = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            phase += 2 * std::numbers::pi * hz * (1.0 + 0.01 * std::exp(-t / 0.03)) / rate;
            double v = 0.02 * std::sin(phase);
            for (int n = 2; n <= 6; ++n)
                v += (n % 2 ? odd : 1.0) * 0.3 / n * std::exp(-t * n / 3.0) * std::sin(n * phase + n);
            x[i] = static_cast<float>(0.8 * v * std::exp(-t / 1.5));
        }
        const auto written = AsWritten(x);
        for (const auto& measured : {MeasureNote(written, rate, hz), MeasurePitch(written, rate)}) {
            ASSERT_TRUE(measured);
            EXPECT_NEAR(Cents(*measured, hz), 0.0, 0.01);
        }
    }
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

// A plucked string as it is recorded, at `rate`: the click of the pick,
// eight partials dying away at rates of their own, all but the first beating
// against a second mode 0.8 Hz above with `beat` of its loudness, on a pitch
// `glide` cents sharp at the pick that falls away over a second, and `level`
// at its peak; `click` sets how far the pick stands out.
std::vector<float> Pluck(double hz, double rate, double seconds, double glide, double beat,
                         double level = 0.5, double click = 2.0)
{
    std::vector<double> x(static_cast<std::size_t>(seconds * rate));
    std::uint32_t seed = 7;
    double noise[3] = {};
    double phase = 0.0;
    double peak = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2.0 * std::numbers::pi * hz * std::exp2(glide * std::exp(-t / 0.2) / 1200.0) / rate;
        double v = 0.0;
        for (int n = 1; n <= 8; ++n)
            v += std::exp(-t * n / 3.0) / n *
                (std::sin(n * phase + n) +
                 (n > 1 ? beat : 0.0) * std::sin(n * phase + 2.0 * std::numbers::pi * 0.8 * t));
        // The click: noise whose highest octave is faint, as a pick's is.
        seed = seed * 1664525u + 1013904223u;
        noise[2] = noise[1];
        noise[1] = noise[0];
        noise[0] = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        x[i] = v + click * std::exp(-t / 0.002) * (noise[0] + 2.0 * noise[1] + noise[2]) / 4.0;
        peak = std::max(peak, std::abs(x[i]));
    }
    std::vector<float> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        out[i] = static_cast<float>(level * x[i] / peak);
    return out;
}

// The share of the energy above `hz` in the first `seconds` (Hann window).
double ShareAbove(std::span<const float> x, double hz, double seconds)
{
    const auto n = static_cast<std::size_t>(seconds * kRate);
    double total = 0.0;
    double above = 0.0;
    for (std::size_t k = 1; k < n / 2; ++k) {
        std::complex<double> sum = 0.0;
        const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) /
                                                              static_cast<double>(n));
        std::complex<double> rotor = 1.0;
        for (std::size_t i = 0; i < n; ++i, rotor *= step)
            sum += (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n))) *
                static_cast<double>(x[i]) * rotor;
        total += std::norm(sum);
        if (static_cast<double>(k) * kRate / static_cast<double>(n) > hz)
            above += std::norm(sum);
    }
    return above / total;
}

// A note 10 cents sharp at the pick reads flat in every window once held
// on its pitch, and keeps the click of its pick; a steady note is left as
// it was.
TEST(FlattenNote, HoldsAGlidingPluckOnItsNoteAndKeepsItsPick)
{
    const double hz = 110.0;
    const auto recording = Pluck(hz, kRate, 5.0, 10.0, 0.2);
    const auto unflattened = FinishSound(recording, kNoteSeconds, kNoteFade);
    const auto before = SummarizeTrack(unflattened, kRate, hz);
    ASSERT_TRUE(before);
    EXPECT_GT(before->worst_cents, 3.0);

    std::string error;
    const auto flat = FlattenNote(recording, kRate, hz, kNoteSeconds, error);
    ASSERT_TRUE(flat) << error;
    const auto after = SummarizeTrack(flat->samples, kRate, hz);
    ASSERT_TRUE(after);
    EXPECT_NEAR(after->median_cents, 0.0, kMedianGoalCents);
    EXPECT_NEAR(after->worst_cents, 0.0, kWorstGoalCents) << "at " << after->worst_seconds << " s";
    EXPECT_NEAR(ShareAbove(flat->samples, 8000.0, 0.1) / ShareAbove(unflattened, 8000.0, 0.1), 1.0, 0.1);
}

// A pluck recorded 20 or 40 dB down comes out as the very note it makes with
// its pick at full scale, over the ceiling as it stands: at the library's
// loudness, one gain keeping its shape. A pick that would pass the ceiling
// at that loudness takes the gain down to the ceiling, within the bounds;
// one that stands out further is refused.
TEST(FlattenNote, BringsANoteToTheLibrarysLoudnessWithOneGain)
{
    const double hz = 146.83;
    std::string error;
    const auto full = Pluck(hz, kRate, 5.0, 10.0, 0.2, 1.0);
    EXPECT_GT(MeasureLoudness(full, kRate)->true_peak_dbtp, kCeilingDbtp);
    const auto reference = FlattenNote(full, kRate, hz, kNoteSeconds, error);
    ASSERT_TRUE(reference) << error;
    ExpectAtLibraryLoudness(reference->samples);
    for (const double level : {0.1, 0.01}) {
        const auto quieter =
            FlattenNote(Pluck(hz, kRate, 5.0, 10.0, 0.2, level), kRate, hz, kNoteSeconds, error);
        ASSERT_TRUE(quieter) << error;
        float furthest = 0.0f;
        for (std::size_t i = 0; i < quieter->samples.size(); ++i)
            furthest = std::max(furthest, std::abs(quieter->samples[i] - reference->samples[i]));
        EXPECT_LE(furthest, 2.0f / 32768.0f) << level;
    }
    // At the library's loudness this pick would peak at -0.6 dBTP.
    const auto sharp =
        FlattenNote(Pluck(hz, kRate, 5.0, 10.0, 0.2, 0.5, 18.0), kRate, hz, kNoteSeconds, error);
    ASSERT_TRUE(sharp) << error;
    ExpectAtLibraryLoudness(sharp->samples);
    EXPECT_LT(MeasureLoudness(sharp->samples, kRate)->lufs, kTargetLufs - 0.3);
    EXPECT_FALSE(FlattenNote(Pluck(hz, kRate, 5.0, 10.0, 0.2, 0.5, 20.0), kRate, hz, kNoteSeconds, error));
    EXPECT_EQ(error,
              "its pick stands too far above the rest: at -24.0 LUFS it would peak at +0.4 dBTP, over the "
              "ceiling of -1 dBTP");
}

TEST(FlattenNote, LeavesASteadyNoteAsItWas)
{
    const double hz = 196.0;
    const auto recording = Pluck(hz, kRate, 5.0, 0.0, 0.0);
    std::string error;
    const auto flat = FlattenNote(recording, kRate, hz, kNoteSeconds, error);
    ASSERT_TRUE(flat) << error;
    const auto before = TrackPitch(FinishSound(recording, kNoteSeconds, kNoteFade), kRate, hz, kTunerWindows);
    const auto after = TrackPitch(flat->samples, kRate, hz, kTunerWindows);
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t w = 2; w < after.size() && after[w].seconds < kNoteSeconds - kNoteFade; ++w)
        EXPECT_NEAR(Cents(after[w].hz, before[w].hz), 0.0, 0.01) << after[w].seconds << " s";
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

// Every note of the set, followed through time, against its string's note in
// `tuning`, and at the library's loudness. A recorded note also starts and
// ends in exact silence, so its loop strikes the string again with no click
// at the seam.
void ExpectSetAtPitch(const fs::path& folder, const Tuning& tuning, double a4_hz, bool recorded = true)
{
    for (std::size_t i = 0; i < NoteFiles.size(); ++i) {
        const fs::path file = folder / NoteFiles[i];
        SCOPED_TRACE(file.string());
        std::string error;
        const auto wav = ReadWav(file.string(), error);
        ASSERT_TRUE(wav) << error;
        EXPECT_EQ(wav->rate, kRate);
        EXPECT_EQ(wav->channels, 1);
        const auto track = SummarizeTrack(wav->mono, wav->rate, NoteHz(StringNote(tuning, i), a4_hz));
        ASSERT_TRUE(track);
        EXPECT_NEAR(track->median_cents, 0.0, kMedianGoalCents);
        EXPECT_NEAR(track->worst_cents, 0.0, kWorstWindowCents) << "at " << track->worst_seconds << " s";
        ExpectAtLibraryLoudness(wav->mono);
        if (recorded) {
            EXPECT_EQ(wav->frames, static_cast<std::int64_t>(kNoteSeconds * kRate));
            EXPECT_EQ(wav->mono.front(), 0.0f);
            EXPECT_EQ(wav->mono.back(), 0.0f);
        }
    }
}

void ExpectLibraryAtPitch(const fs::path& dir, double a4_hz)
{
    for (const SoundSetDef& set : kDefaultSets)
        ExpectSetAtPitch(dir / set.name, set.tuning, a4_hz, set.kind != SetKind::PureTone);
}

// The library the build made, as it ships.
const fs::path kBuiltLibrary = TARVISK_DEFAULT_TUNES;

TEST(BuiltLibrary, EveryNoteOfEverySetHoldsThePitchOfItsTuning)
{
    EXPECT_EQ(DefaultSetTuning("Drop D"), ParseTuning("D2 A2 D3 G3 B3 E4"));
    EXPECT_EQ(DefaultSetTuning("DADGAD"), ParseTuning("D2 A2 D3 G3 A3 D4"));
    EXPECT_EQ(DefaultSetTuning("Open G"), ParseTuning("D2 G2 D3 G3 B3 D4"));
    EXPECT_EQ(DefaultSetTuning("Open D"), ParseTuning("D2 A2 D3 F#3 A3 D4"));
    EXPECT_EQ(DefaultSetTuning("E flat"), ParseTuning("Eb2 Ab2 Db3 Gb3 Bb3 Eb4"));
    for (const std::string_view name : {"Acoustic", "Electric", "Nylon", "Sine"})
        EXPECT_EQ(DefaultSetTuning(name), kStandardTuning) << name;
    ExpectLibraryAtPitch(kBuiltLibrary, 440.0);
}

TEST(BuiltLibrary, TheAcousticLowEHasItsPickAttackAbove8kHzInItsFirst100ms)
{
    std::string error;
    const auto recorded = ReadWav((kBuiltLibrary / "Acoustic" / "E.wav").string(), error);
    ASSERT_TRUE(recorded) << error;
    EXPECT_GT(ShareAbove(recorded->mono, 8000.0, 0.1), 5e-5);
    // The measure itself: a pure tone has nothing there.
    const auto tone = ReadWav((kBuiltLibrary / "Sine" / "E.wav").string(), error);
    ASSERT_TRUE(tone) << error;
    EXPECT_LT(ShareAbove(tone->mono, 8000.0, 0.1), 1e-7);
}

TEST(BuiltLibrary, ResetIsShortAndSilentAndTheChordSoundsFromSilenceToSilence)
{
    std::string error;
    const auto reset = ReadWav((kBuiltLibrary / kResetFile).string(), error);
    ASSERT_TRUE(reset) << error;
    EXPECT_LE(reset->frames, kRate / 10);
    EXPECT_EQ(sound_test::Rms(reset->mono), 0.0);
    const auto chord = ReadWav((kBuiltLibrary / kChordFile).string(), error);
    ASSERT_TRUE(chord) << error;
    ExpectAtLibraryLoudness(chord->mono);
    EXPECT_EQ(chord->mono.front(), 0.0f);
    EXPECT_EQ(chord->mono.back(), 0.0f);
}

// Every file under `dir`, hidden or not, by its path there.
std::map<std::string, std::string> Files(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), dir).string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

// Another run of the tool, for one set alone, gives the very bytes the build
// wrote: nothing depends on the run, the machine's timing or what else was
// made. Over a library that holds the set, it is written only with
// --replace, as generating the whole library over it is.
TEST(BuiltLibrary, IsMadeTheSameByteForByteOnEveryRun)
{
    sound_test::TempDir dir;
    fs::copy(kBuiltLibrary, dir.path(), fs::copy_options::recursive);
    fs::remove(dir.path() / "Acoustic" / "H.wav");
    const auto before = Files(dir.path());
    const std::string refused = " already: nothing written (--replace replaces it)\n";
    const auto set_there = [&](std::string_view set) {
        return "the library " + dir.path().string() + " holds the set \"" + std::string(set) + "\"" + refused;
    };
    std::ostringstream whole;
    EXPECT_FALSE(GenerateLibrary(dir.path(), {}, whole));
    std::string lines = (dir.path() / kResetFile).string() + " is there" + refused +
        (dir.path() / kChordFile).string() + " is there" + refused;
    for (const SoundSetDef& set : kDefaultSets)
        lines += set_there(set.name);
    EXPECT_EQ(whole.str(), lines);

    GenerateOptions one;
    one.set = ExtraSet{"acoustic", kStandardTuning};
    std::ostringstream log;
    EXPECT_FALSE(GenerateLibrary(dir.path(), one, log));
    EXPECT_EQ(log.str(), set_there("Acoustic"));
    EXPECT_TRUE(Files(dir.path()) == before);
    one.set->name = "Acoustic";
    one.replace = true;
    ASSERT_TRUE(GenerateLibrary(dir.path(), one, log)) << log.str();
    EXPECT_TRUE(Files(dir.path()) == Files(kBuiltLibrary));
}

TEST(BuiltLibrary, CheckKnowsEachSetsTuningAndFlagsWhatIsMissingBrokenOrOff)
{
    std::ostringstream good;
    EXPECT_TRUE(CheckLibrary(kBuiltLibrary, 440.0, good)) << good.str();
    EXPECT_NE(good.str().find("9 sets, 54 note files, 0 missing or unreadable, 0 off pitch"),
              std::string::npos)
        << good.str();
    EXPECT_NE(good.str().find(
                  "E.wav: ok, WAV (Microsoft), Signed 16 bit PCM, mono, 44100 Hz, 4.000 s, -24.00 LUFS, "),
              std::string::npos)
        << good.str();
    EXPECT_NE(good.str().find(" dBTP, E2 median "), std::string::npos) << good.str();
    EXPECT_NE(good.str().find(" cents, worst "), std::string::npos);
    EXPECT_NE(good.str().find("Chord.wav: ok, WAV (Microsoft), Signed 16 bit PCM, mono, 44100 Hz, 5.000 s, "
                              "-24.00 LUFS, "),
              std::string::npos)
        << good.str();
    EXPECT_NE(good.str().find("\nloudness -24.00 to -24.00 LUFS (0.00 LU apart), true peak at most -"),
              std::string::npos)
        << good.str();
    EXPECT_NE(good.str().find("[Drop D] D2 A2 D3 G3 B3 E4\n"), std::string::npos) << good.str();

    sound_test::TempDir broken;
    fs::copy(kBuiltLibrary, broken.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::remove(broken.path() / "Electric" / "G.wav");
    fs::remove(broken.path() / "reset.wav");
    std::ofstream(broken.path() / "Acoustic" / "A.wav") << "not a sound";
    // A set of unknown tuning, E2 where Drop D wants D2, and a G a third of
    // a cent sharp throughout: every window within half a cent, the median not.
    fs::copy(kBuiltLibrary / "Drop D", broken.path() / "Mine");
    fs::copy_file(kBuiltLibrary / "Acoustic" / "E.wav", broken.path() / "Drop D" / "E.wav",
                  fs::copy_options::overwrite_existing);
    std::string error;
    const auto g = ReadWav((kBuiltLibrary / "Open G" / "G.wav").string(), error);
    ASSERT_TRUE(g) << error;
    const PitchCurve flat_by_a_third{{0.0}, {-0.33}};
    ASSERT_TRUE(WriteWav((broken.path() / "Open G" / "G.wav").string(),
                         AsWritten(ResampleAlong(g->mono, kRate, flat_by_a_third, g->mono.size())), kRate,
                         error));
    // A note 3 dB louder in a set of one's own, over the ceiling too, and
    // one 1.4 dB quieter in a default set.
    const struct {
        const char* set;
        const char* file;
        float gain;
    } levels[] = {{"Mine", "H.wav", 1.4f}, {"Nylon", "E.wav", 0.85f}};
    for (const auto& level : levels) {
        const fs::path file = broken.path() / level.set / level.file;
        auto note = ReadWav(file.string(), error);
        ASSERT_TRUE(note) << error;
        for (float& v : note->mono)
            v *= level.gain;
        ASSERT_TRUE(WriteWav(file.string(), note->mono, kRate, error));
    }
    std::ostringstream report;
    EXPECT_FALSE(CheckLibrary(broken.path(), 440.0, report));
    const std::string text = report.str();
    EXPECT_NE(text.find("reset.wav: MISSING"), std::string::npos) << text;
    EXPECT_NE(text.find("[Electric] E2 A2 D3 G3 B3 E4\n  E2.wav: ok"), std::string::npos) << text;
    EXPECT_NE(text.find("  G.wav: MISSING"), std::string::npos) << text;
    EXPECT_NE(text.find("  A.wav: UNREADABLE"), std::string::npos) << text;
    EXPECT_NE(text.find("[Mine]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("nearest D2 "), std::string::npos) << text;
    const std::size_t whole_tone = text.find("dBTP, D2 +");
    ASSERT_NE(whole_tone, std::string::npos) << text;
    EXPECT_NEAR(std::stod(text.substr(whole_tone + 9)), 200.0, 5.0) << text;
    EXPECT_EQ(text.substr(text.find(" Hz)", whole_tone), 9), " Hz) OFF\n") << text;
    const std::size_t third = text.find("dBTP, G3 median +0.3");
    ASSERT_NE(third, std::string::npos) << text;
    EXPECT_LT(std::stod(text.substr(text.find("worst ", third) + 6)), kWorstWindowCents) << text;
    EXPECT_EQ(text.substr(text.find(" s", third + 3), 7), " s OFF\n") << text;
    for (const auto& level : levels) {
        const std::size_t line = text.find("  " + std::string(level.file) + ": ok", text.find(level.set));
        EXPECT_EQ(text.substr(text.find('\n', line) - 9, 10), " LOUDNESS\n") << level.set << "\n" << text;
    }
    EXPECT_NE(text.find("10 sets, 60 note files, 3 missing or unreadable, 2 off pitch, 2 off loudness\n"
                        "loudness -25.41 to -21.08 LUFS"),
              std::string::npos)
        << text;
}

TEST(GenerateLibrary, HoldsEveryNoteOnItsPitchFromBaroquePitchToTheHighOrgans)
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

// Recordings of one's own, lowest string first, each after 0.2 s of quiet:
// stereo 48 kHz 24-bit, 30 cents sharp and gliding, and quiet: -40 LUFS, each
// channel 3 dB below; and mono 22.05 kHz 8-bit, peaking at 0.9.
std::vector<fs::path> WriteRecordings(const fs::path& dir, const Tuning& tuning)
{
    std::vector<fs::path> files;
    for (std::size_t s = 0; s < tuning.size(); ++s) {
        const bool stereo = s % 2 == 0;
        const int rate = stereo ? 48000 : 22050;
        const double hz = NoteHz(tuning[s], 440.0) * (stereo ? std::exp2(30.0 / 1200.0) : 1.0);
        auto pluck = Pluck(hz, rate, 4.5, stereo ? 10.0 : 0.0, 0.2, 0.9);
        if (stereo) {
            const double gain = std::pow(10.0, (-40.0 - 3.01 - MeasureLoudness(pluck, rate)->lufs) / 20.0);
            for (float& v : pluck)
                v = static_cast<float>(gain * v);
        }
        const std::size_t quiet = static_cast<std::size_t>(rate) / 5;
        files.push_back(dir / ("string " + std::to_string(s + 1) + ".wav"));
        sound_test::WriteWav(files.back(), SF_FORMAT_WAV | (stereo ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_U8),
                             stereo ? 2 : 1, rate, quiet + pluck.size(),
                             [&](std::size_t i, int) { return i < quiet ? 0.0 : pluck[i - quiet]; });
    }
    return files;
}

TEST(ImportSet, HoldsRecordingsOfAnyFormatOnTheirNotesFromThePick)
{
    sound_test::TempDir dir;
    ImportOptions options{"My Guitar", *ParseTuning("D2 A2 D3 G3 B3 E4"), 440.0, {}};
    options.files = WriteRecordings(dir.path(), options.tuning);
    fs::copy(kBuiltLibrary, dir.path() / "Tunes", fs::copy_options::recursive);
    std::ostringstream log;
    ASSERT_TRUE(ImportSet(dir.path() / "Tunes", options, log)) << log.str();
    ExpectSetAtPitch(dir.path() / "Tunes" / "My Guitar", options.tuning, 440.0);
    std::string error;
    const auto low = ReadWav((dir.path() / "Tunes" / "My Guitar" / "E.wav").string(), error);
    ASSERT_TRUE(low) << error;
    EXPECT_LT(Onset(low->mono), static_cast<std::size_t>(kRate / 200)) << "the pick";
    std::ostringstream report;
    EXPECT_TRUE(CheckLibrary(dir.path() / "Tunes", 440.0, report)) << report.str();
    EXPECT_NE(report.str().find(
                  "E.wav: ok, WAV (Microsoft), Signed 16 bit PCM, mono, 44100 Hz, 4.000 s, -24.00 LUFS, "),
              std::string::npos)
        << report.str();
    EXPECT_NE(report.str().find(" dBTP, nearest D2 median "), std::string::npos) << report.str();
}

TEST(ImportSet, NamesEveryBadRecordingWithItsReasonAndWritesNothing)
{
    sound_test::TempDir dir;
    const auto good = WriteRecordings(dir.path(), kStandardTuning);
    std::ofstream(dir.path() / "text.wav") << "not a sound";
    sound_test::WriteWav(dir.path() / "quiet.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, 44100,
                         [](std::size_t, int) { return 0.0; });
    const auto short_pluck = Pluck(NoteHz(50, 440.0), 44100, 0.3, 0.0, 0.0);
    sound_test::WriteWav(dir.path() / "short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100,
                         short_pluck.size(), [&](std::size_t i, int) { return short_pluck[i]; });
    const auto sharp = Pluck(NoteHz(55, 440.0) * std::exp2(1.5 / 12.0), 44100, 2.0, 0.0, 0.0);
    sound_test::WriteWav(dir.path() / "sharp.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, sharp.size(),
                         [&](std::size_t i, int) { return sharp[i]; });
    ImportOptions options{"Mine", kStandardTuning, 440.0, {}};
    options.files = {dir.path() / "text.wav", dir.path() / "quiet.wav", dir.path() / "short.wav",
                     dir.path() / "sharp.wav", good[4], dir.path() / "none.wav"};
    std::ostringstream log;
    EXPECT_FALSE(ImportSet(dir.path() / "Tunes", options, log));
    const std::string text = log.str();
    for (const char* line :
         {"text.wav: cannot read it (", "quiet.wav: it is silent\n",
          "short.wav: too short to measure: 0.30 s from the pick, at least 0.5 s needed\n",
          "sharp.wav: its pitch, 213.", " Hz, is +150 cents from G3, more than a semitone\n",
          "none.wav: cannot read it (missing)\n", "nothing written\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("string 5"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(dir.path() / "Tunes"));
}

// Without the recordings nothing is made, least of all synthesised notes in
// their place, and the message names the package to install.
TEST(GenerateLibrary, WithoutTheSoundfontWritesNothingAndNamesItsPackage)
{
    sound_test::TempDir dir;
    std::ofstream(dir.path() / "not.sf2") << "not a soundfont";
    for (const char* font : {"missing.sf2", "not.sf2"}) {
        SCOPED_TRACE(font);
        GenerateOptions options;
        options.soundfont = dir.path() / font;
        std::ostringstream log;
        EXPECT_FALSE(GenerateLibrary(dir.path() / "Tunes", options, log));
        EXPECT_NE(log.str().find("fluid-soundfont-gm"), std::string::npos) << log.str();
        EXPECT_FALSE(fs::exists(dir.path() / "Tunes"));
    }
}

// The tool's exit status, or 128 and the signal that ended it.
int RunTool(const std::string& arguments, const std::string& environment = "")
{
    const std::string command =
        environment + " \"" + TARVISK_TUNES_TOOL + "\" " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
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
    EXPECT_EQ(RunTool(out + "--set 'Low C' --a4 466"), 1) << "a set there already";
    EXPECT_EQ(RunTool(out + "--set 'low c' --a4 466 --replace"), 0);
    EXPECT_EQ(RunTool(out + "--soundfont"), 2);
    EXPECT_EQ(RunTool(out + "--set 'Low C' --soundfont '" + (dir.path() / "none.sf2").string() + "'"), 1);
    const std::string import = "import '" + dir.path().string() + "' ";
    const std::string six = "a.wav b.wav c.wav d.wav e.wav f.wav";
    EXPECT_EQ(RunTool(import + "--set Mine a.wav"), 2) << "six recordings";
    EXPECT_EQ(RunTool(import + six), 2) << "a set's name";
    EXPECT_EQ(RunTool(import + "--set .hidden " + six), 2);
    EXPECT_EQ(RunTool(import + "--set Mine --soundfont x.sf2 " + six), 2);
    EXPECT_EQ(RunTool(import + "--set Mine --tuning 'D2 A2 D3 G3 B3 E4' --a4 415 " + six), 1);
    EXPECT_EQ(RunTool("check '" + (dir.path() / "none").string() + "'"), 1);
    EXPECT_EQ(RunTool("check '" + dir.path().string() + "'"), 1);
}

// A second import under a name the library holds, in any case, is refused
// and changes nothing; with --replace the new set takes its place whole. A
// replacement stopped dead after any of its changes on disk leaves the old
// set as it was, or, once the two were exchanged, the new one whole.
TEST(ImportSet, NeverLosesASetTheLibraryHolds)
{
    sound_test::TempDir dir;
    const fs::path tunes = dir.path() / "Tunes";
    fs::create_directories(dir.path() / "old");
    std::ostringstream log;
    ASSERT_TRUE(ImportSet(
        tunes, {"Mine", kStandardTuning, 440.0, WriteRecordings(dir.path() / "old", kStandardTuning)}, log))
        << log.str();
    const auto old_set = Files(tunes);

    const Tuning drop_d = *ParseTuning("D2 A2 D3 G3 B3 E4");
    const auto recordings = WriteRecordings(dir.path(), drop_d);
    for (const char* name : {"Mine", "mine", "MINE"}) {
        std::ostringstream refused;
        EXPECT_FALSE(ImportSet(tunes, {name, drop_d, 440.0, recordings}, refused));
        EXPECT_EQ(refused.str(),
                  "the library " + tunes.string() +
                      " holds the set \"Mine\" already: nothing written (--replace replaces it)\n");
        EXPECT_TRUE(Files(tunes) == old_set) << name;
    }

    std::string import = "import '" + tunes.string() + "' --set Mine --tuning 'D2 A2 D3 G3 B3 E4' --replace";
    for (const fs::path& file : recordings)
        import += " '" + file.string() + "'";
    // Six notes written, then the exchange.
    for (const int stop : {1, 6}) {
        EXPECT_EQ(RunTool(import, "TARVISK_TUNES_STOP_AFTER=" + std::to_string(stop)), 128 + SIGKILL);
        EXPECT_EQ(ListedSets(tunes), std::vector<std::string>{"Mine"});
        auto now = Files(tunes);
        std::erase_if(now, [](const auto& file) { return file.first.starts_with("."); });
        EXPECT_TRUE(now == old_set) << stop;
    }
    EXPECT_EQ(RunTool(import, "TARVISK_TUNES_STOP_AFTER=7"), 128 + SIGKILL);
    ExpectSetAtPitch(tunes / "Mine", drop_d, 440.0);

    ASSERT_TRUE(ImportSet(tunes, {"mine", drop_d, 440.0, recordings, true}, log)) << log.str();
    ExpectSetAtPitch(tunes / "mine", drop_d, 440.0);
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(tunes))
        entries.push_back(entry.path().filename().string());
    EXPECT_EQ(entries, std::vector<std::string>{"mine"}) << "nothing hidden left behind";
}

} // namespace
} // namespace tarvisk::tunes
