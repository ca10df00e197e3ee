// Loading, closing and the exit button, on the in-memory platform.

#include "startup/app_modul.h"
#include "toolkit/memory/memory_platform.h"
#include "window/tuner.h"
#include "window/tuner_form.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvisk {
namespace {

using tk::memory::Image;
using tk::memory::MemoryPlatform;

class Lifecycle : public testing::Test {
protected:
    Lifecycle() : program_(mem_.Get())
    {
        mem_.folders["C:\\Tools\\Tuning\\Tunes\\"] = {"C:\\Tools\\Tuning\\Tunes\\Acoustic"};
    }
    Tuner& Window() { return *program_.tuner; }
    std::vector<std::string> LogFrom(const std::string& first) const
    {
        auto start = std::find(mem_.log.begin(), mem_.log.end(), first);
        return {start, mem_.log.end()};
    }
    // Whether the box shows the given artwork at its place.
    bool Shows(tk::ControlId id, tk::ImageId art)
    {
        const auto& box = mem_.form->Box(id);
        const Image whole = tk::memory::PatternImage(art);
        const auto& shown = box.Shown();
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x)
                if (shown.At(x, y) != whole.At(box.Left() + x, box.Top() + y))
                    return false;
        return true;
    }

    MemoryPlatform mem_;
    Program program_;
};

TEST_F(Lifecycle, LoadCentresPaintsSetsLoopModeShowsAndThenPlaysTheChord)
{
    Main(program_);
    auto log = LogFrom("Form.Create");
    // A 1920 x 1080 screen and a window of 390 x 574 pixels with its frame:
    // top 13770 / 2 - 8610 / 2, left 28800 / 2 - 5850 / 2, in twips.
    std::vector<std::string> expected = {"Form.Create",     "SetPicture picAllOn",  "Form.Top 2580",
                                         "Form.Left 11475", "SetPicture picAllOff", "Refresh Picture2"};
    for (int i = 0; i <= 5; ++i)
        expected.push_back("Refresh Picture1(" + std::to_string(i) + ")");
    expected.insert(
        expected.end(),
        {"Refresh Picture2", "Form.Show", "DoEvents", "sndPlaySoundA C:\\Tools\\Tuning\\Tunes\\Chord.wav 1"});
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + static_cast<long>(expected.size())),
              expected);
}

TEST_F(Lifecycle, AfterStartTheToggleIsLitAndEveryStringUnlit)
{
    Main(program_);
    EXPECT_EQ(program_.g.LoopMode, 1);
    EXPECT_TRUE(Shows(ctl::Picture2, tk::ImageId::LitArtwork));
    for (int i = 0; i <= 5; ++i)
        EXPECT_TRUE(Shows(ctl::Picture1(i), tk::ImageId::UnlitArtwork)) << i;
    EXPECT_TRUE(Window().Modes().CurrentWav.empty());
    EXPECT_TRUE(Window().Modes().LoopingWav.empty());
    EXPECT_EQ(Window().Modes().IsLooping, kFalse);
}

TEST_F(Lifecycle, WindowTallerThanTheScreenShareOpensAtTheTop)
{
    mem_.screen_height = 500 * 15; // 0.85 of it is less than the window
    mem_.screen_width = 300 * 15;  // narrower than the window, too
    Main(program_);
    EXPECT_EQ(mem_.form->Top(), 0);
    EXPECT_EQ(mem_.form->Left(), 0);
    EXPECT_TRUE(mem_.form->Visible());
}

TEST_F(Lifecycle, RefusedPlacementStillPaintsShowsAndPlays)
{
    mem_.refuse_moves = true;
    Main(program_);
    EXPECT_EQ(program_.g.LoopMode, 1);
    EXPECT_TRUE(mem_.form->Visible());
    EXPECT_TRUE(Shows(ctl::Picture2, tk::ImageId::LitArtwork));
    EXPECT_EQ(mem_.sounds.front().path, "C:\\Tools\\Tuning\\Tunes\\Chord.wav");
}

TEST_F(Lifecycle, ClosingSwitchesLoopModeOffAndNothingElse)
{
    Main(program_);
    mem_.form->Press(ctl::Picture1(2));
    const auto sounds = mem_.sounds.size();
    const Image lit = mem_.form->Box(ctl::Picture1(2)).Shown();
    EXPECT_TRUE(mem_.form->Close());
    EXPECT_EQ(program_.g.LoopMode, 0);
    EXPECT_EQ(Window().Modes().IsLooping, kTrue);
    EXPECT_EQ(mem_.sounds.size(), sounds) << "no sound stopped or started";
    EXPECT_EQ(mem_.form->Box(ctl::Picture1(2)).Shown(), lit);
}

TEST_F(Lifecycle, ExitButtonEndsAtOnceWithoutTheUnloadStep)
{
    Main(program_);
    mem_.form->Press(ctl::Picture1(0));
    const auto sounds = mem_.sounds.size();
    EXPECT_THROW(mem_.form->Activate(ctl::Command1), tk::memory::ProcessEnded);
    EXPECT_EQ(program_.g.LoopMode, 1) << "the unload step did not run";
    EXPECT_EQ(mem_.sounds.size(), sounds);
    EXPECT_FALSE(mem_.form->Closed());
}

TEST_F(Lifecycle, TimerClearsTheLightAfterASingleShotPressAndSwitchesOff)
{
    Main(program_);
    mem_.form->Press(ctl::Picture2); // single-shot
    mem_.form->Press(ctl::Picture1(1));
    EXPECT_TRUE(Shows(ctl::Picture1(1), tk::ImageId::LitArtwork));
    EXPECT_TRUE(Window().Timer1().Enabled());
    mem_.form->FireTimer(ctl::Timer1);
    EXPECT_TRUE(Shows(ctl::Picture1(1), tk::ImageId::UnlitArtwork));
    EXPECT_FALSE(Window().Timer1().Enabled());
}

TEST_F(Lifecycle, LeftoverTimerClearsAStringThatStartedRepeatingSince)
{
    Main(program_);
    mem_.form->Press(ctl::Picture2);    // single-shot
    mem_.form->Press(ctl::Picture1(3)); // timer on
    mem_.form->Press(ctl::Picture2);    // loop mode: nothing painted, timer left running
    mem_.form->Press(ctl::Picture1(4)); // starts repeating
    const auto sounds = mem_.sounds.size();
    mem_.form->FireTimer(ctl::Timer1);
    EXPECT_TRUE(Shows(ctl::Picture1(4), tk::ImageId::UnlitArtwork));
    EXPECT_EQ(mem_.sounds.size(), sounds) << "the repeating note keeps sounding";
    EXPECT_EQ(Window().Modes().IsLooping, kTrue);
}

} // namespace
} // namespace tarvisk
