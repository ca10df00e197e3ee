// The whole tuner heard: real mouse events on the real Qt window, the real
// sound output rendered into memory. The pitch of what
// sounds tells which string and which set is playing.

#include "qt_fixture.h"

#include "tools/fixtures/sound_fixtures.h"
#include "tests/sound/heard_output.h"
#include "toolkit/linux_sound/mixer.h"
#include "tools/tunes/pitch.h"
#include "window/tuner_form.h"

#include <QComboBox>

#include <cmath>

namespace tarvisk::testing_qt {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
// Standard tuning, high E first, as the strings are numbered.
constexpr double kStrings[] = {329.63, 246.94, 196.00, 146.83, 110.00, 82.41};
constexpr double kResetHz = 1000.0;
constexpr double kNoteSeconds = 0.5;

double Cents(double measured, double expected) { return 1200.0 * std::log2(measured / expected); }

class TunerHeard : public QtWindowTest {
protected:
    void SetUp() override
    {
        sound_.output = &output_.player();
    }
    void TearDown() override { sound_.output = nullptr; }

    // Two sets of pure tones, the second a fifth above the first, so a pitch
    // names both the string and the set.
    void MakeToneLibrary()
    {
        MakeLibrary({"Fifth Up", "Standard"});
        const fs::path tunes = folder_ / "Tunes";
        const char* files[] = {"E2.wav", "H.wav", "G.wav", "D.wav", "A.wav", "E.wav"};
        for (int i = 0; i < 6; ++i) {
            WriteTone(tunes / "Standard" / files[i], kStrings[i], kNoteSeconds);
            WriteTone(tunes / "Fifth Up" / files[i], kStrings[i] * 1.5, kNoteSeconds);
        }
        WriteTone(tunes / "reset.wav", kResetHz, 0.1);
        WriteTone(tunes / "Chord.wav", 440.0, 0.2);
    }

    // A whole number of periods, so a loop of it is a steady tone.
    static void WriteTone(const fs::path& path, double hz, double seconds)
    {
        const double periods = std::round(hz * seconds);
        const auto frames = static_cast<std::size_t>(std::lround(periods * kRate / hz));
        const double step = 2.0 * M_PI * periods / static_cast<double>(frames);
        sound_test::WriteWav(path, 0x010006 /* WAV, float */, 1, kRate, frames, [&](std::size_t n, int) {
            return 0.5 * std::sin(step * static_cast<double>(n));
        });
    }

    // What sounds over the next stretch of time.
    std::vector<float> Hear(double seconds)
    {
        const auto frames = static_cast<std::size_t>(seconds * kRate);
        return sound_test::Left(output_.Render(frames), 0, frames);
    }
    double PitchOver(double seconds)
    {
        auto heard = Hear(seconds);
        auto pitch = tunes::MeasurePitch(heard, kRate);
        return pitch.value_or(0.0);
    }
    void ExpectPitch(double seconds, double hz, const std::string& what)
    {
        const double pitch = PitchOver(seconds);
        ASSERT_GT(pitch, 0.0) << what << ": nothing sounds";
        EXPECT_NEAR(Cents(pitch, hz), 0.0, 5.0) << what << ": heard " << pitch << " Hz";
    }
    // The reset sound is a short burst: its zero crossings give its pitch.
    void ExpectReset(const std::string& what)
    {
        Hear(tk::linux_sound::kFadeSeconds); // the crossfade with what sounded
        auto heard = Hear(0.09); // within the burst
        int crossings = 0;
        for (std::size_t n = 1; n < heard.size(); ++n)
            crossings += (heard[n - 1] < 0) != (heard[n] < 0);
        EXPECT_NEAR(crossings / 2.0 / 0.09, kResetHz, 20.0) << what;
        EXPECT_GT(sound_test::Rms(heard), 0.1) << what;
        Hear(0.01); // the rest of it
    }
    bool Silent(double seconds)
    {
        auto heard = Hear(seconds);
        const double rms = sound_test::Rms(heard);
        EXPECT_LT(rms, 1e-4);
        return rms < 1e-4;
    }
    void PressString(int i, Qt::MouseButton button = Qt::LeftButton)
    {
        Press(Rect(ctl::Picture1(i)).center(), button);
    }
    void PressToggle() { Press(Rect(ctl::Picture2).center()); }
    void ChooseSet(int index)
    {
        auto* combo = Form().Window().findChild<QComboBox*>("cboSound");
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    bool Lit(int i) { return Differences(Grab(), Art(tk::ImageId::LitArtwork), Rect(ctl::Picture1(i))) == 0; }
    bool Unlit(int i)
    {
        return Differences(Grab(), Art(tk::ImageId::UnlitArtwork), Rect(ctl::Picture1(i))) == 0;
    }
    void SkipTheChord() { Hear(0.3); }

    sound_test::HeardOutput output_{kRate};
};

TEST_F(TunerHeard, EachStringRepeatsItsNoteInLoopModeAndStopsOnTheSecondPress)
{
    MakeToneLibrary();
    Start();
    SkipTheChord();
    ASSERT_EQ(program_.g.SoundSet, "Fifth Up\\");
    ChooseSet(1);
    for (int i = 0; i <= 5; ++i) {
        PressString(i);
        EXPECT_TRUE(Lit(i)) << i;
        // Several lengths of the file: the loop keeps sounding at its pitch.
        Hear(kNoteSeconds * 2.5);
        ExpectPitch(1.0, kStrings[i], "string " + std::to_string(i) + " looping");
        PressString(i, Qt::RightButton);
        EXPECT_TRUE(Unlit(i)) << i;
        ExpectReset("reset after string " + std::to_string(i));
        EXPECT_TRUE(Silent(0.3)) << "the loop of string " << i << " ended";
    }
}

TEST_F(TunerHeard, AnotherStringTakesTheLoopOverAtOnce)
{
    MakeToneLibrary();
    Start();
    SkipTheChord();
    ChooseSet(1);
    PressString(5);
    ExpectPitch(0.6, kStrings[5], "low E");
    PressString(0);
    EXPECT_TRUE(Unlit(5));
    EXPECT_TRUE(Lit(0));
    ExpectPitch(0.3, kStrings[0], "high E at once");
    Hear(1.0);
    ExpectPitch(0.5, kStrings[0], "high E still");
}

TEST_F(TunerHeard, ChoosingASetWhileANoteRepeatsMovesTheNoteToTheSet)
{
    MakeToneLibrary();
    Start();
    SkipTheChord();
    ChooseSet(1);
    PressString(3);
    ExpectPitch(0.6, kStrings[3], "D, standard");
    ChooseSet(0);
    EXPECT_TRUE(Lit(3));
    ExpectPitch(0.6, kStrings[3] * 1.5, "D, a fifth up");
    PressString(3);
    ExpectReset("the same string stops the moved loop");
}

TEST_F(TunerHeard, SingleShotPlaysOnceAndLoopModeOffStopsARepeatingNote)
{
    MakeToneLibrary();
    Start();
    SkipTheChord();
    ChooseSet(1);
    PressString(4);
    ExpectPitch(0.3, kStrings[4], "A looping");
    PressToggle(); // off: the reset sound ends the loop
    ExpectReset("reset when loop mode goes off");
    EXPECT_TRUE(Silent(0.3));
    for (int i = 0; i <= 5; ++i)
        EXPECT_TRUE(Unlit(i)) << i;

    PressString(2);
    EXPECT_TRUE(Lit(2));
    ExpectPitch(0.4, kStrings[2], "G once");
    Hear(0.2);
    EXPECT_TRUE(Silent(0.5)) << "a single shot does not repeat";

    PressToggle(); // on: nothing plays
    EXPECT_TRUE(Silent(0.3));
    PressToggle(); // off with nothing repeating: the reset sound still plays
    ExpectReset("reset with nothing repeating");
}

TEST_F(TunerHeard, DefaultLibraryPlaysEveryStringAtItsExactPitch)
{
    fs::create_directories(folder_);
    fs::create_directory_symlink(TARVISK_DEFAULT_TUNES, folder_ / "Tunes");
    Start();
    ASSERT_EQ(Window().cboSound().Text(), "Acoustic");
    Hear(3.0); // the opening chord
    for (int i = 0; i <= 5; ++i) {
        PressString(i);
        Hear(0.3); // past the pluck's attack
        ExpectPitch(1.5, kStrings[i], "Acoustic string " + std::to_string(i));
        PressString(i);
    }
}

} // namespace
} // namespace tarvisk::testing_qt
