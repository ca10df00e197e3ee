#include "startup/app_modul.h"

#include "toolkit/memory/memory_platform.h"
#include "window/tuner.h"
#include "window/tuner_form.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvisk {
namespace {

using tk::memory::MemoryPlatform;
using tk::memory::ProcessEnded;

class Startup : public testing::Test {
protected:
    Startup() : program_(mem_.Get())
    {
        mem_.folders["C:\\Tools\\Tuning\\Tunes\\"] = {"C:\\Tools\\Tuning\\Tunes\\Acoustic",
                                                      "C:\\Tools\\Tuning\\Tunes\\Electric"};
    }

    // Position of the first log entry that starts with prefix.
    std::ptrdiff_t At(const std::string& prefix) const
    {
        auto found = std::find_if(mem_.log.begin(), mem_.log.end(),
                                  [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
        return found == mem_.log.end() ? -1 : found - mem_.log.begin();
    }
    std::ptrdiff_t Count(const std::string& entry) const
    {
        return std::count(mem_.log.begin(), mem_.log.end(), entry);
    }

    MemoryPlatform mem_;
    Program program_;
};

TEST_F(Startup, FillsThePathsListsTheSetsAndSelectsTheFirst)
{
    Main(program_);
    EXPECT_EQ(program_.g.AppPath, "C:\\Tools\\Tuning\\");
    EXPECT_EQ(program_.g.TunesDir, "C:\\Tools\\Tuning\\Tunes\\");
    EXPECT_EQ(program_.g.ResetWav, "C:\\Tools\\Tuning\\Tunes\\reset.wav");
    EXPECT_EQ(program_.g.SoundSet, "Acoustic\\");
    EXPECT_EQ(program_.g.LoopMode, 1);
    tk::ComboBox& combo = program_.tuner->cboSound();
    ASSERT_EQ(combo.ListCount(), 2);
    EXPECT_EQ(combo.List(0), "Acoustic");
    EXPECT_EQ(combo.List(1), "Electric");
    EXPECT_EQ(combo.ListIndex(), 0);
    EXPECT_TRUE(mem_.form->Visible());
}

TEST_F(Startup, WindowLoadsOnFirstTouchAndIsShownWithTheChordBeforeTheListFills)
{
    Main(program_);
    const auto load = At("Form.Create");
    const auto path = At("SoundsDir.Path");
    const auto show = At("Form.Show");
    const auto events = At("DoEvents");
    const auto chord = At("sndPlaySoundA C:\\Tools\\Tuning\\Tunes\\Chord.wav 1");
    const auto first_set = At("cboSound.AddItem Acoustic");
    ASSERT_GE(load, 0);
    EXPECT_LT(load, show);
    EXPECT_LT(show, events);
    EXPECT_LT(events, chord);
    EXPECT_LT(chord, path) << "Form_Load runs to its end before the folder is set";
    EXPECT_LT(path, At("SoundsDir.Refresh"));
    EXPECT_LT(At("SoundsDir.Refresh"), first_set);
    EXPECT_LT(first_set, At("cboSound.AddItem Electric"));
    EXPECT_LT(At("cboSound.AddItem Electric"), At("cboSound.ListIndex 0"));
    EXPECT_EQ(Count("Form.Show"), 1);
    EXPECT_EQ(Count("Form.Create"), 1);
}

TEST_F(Startup, SelectingTheFirstSetPlaysNothingWhileNothingRepeats)
{
    Main(program_);
    ASSERT_EQ(mem_.sounds.size(), 1u) << "only the opening chord";
    EXPECT_EQ(program_.tuner->Modes().IsLooping, kFalse);
}

TEST_F(Startup, SelectingTheFirstSetRunsTheClickExactlyOnce)
{
    // A note set repeating during the load step makes every run of the
    // click handler heard: each one moves the loop to the chosen set.
    mem_.pending.push_back([&] { mem_.form->Press(ctl::Picture1(3)); });
    Main(program_);
    const auto moved = std::count_if(mem_.sounds.begin(), mem_.sounds.end(), [](const auto& played) {
        return played.path == "C:\\Tools\\Tuning\\Tunes\\Acoustic\\D.wav" && played.flags == 9u;
    });
    EXPECT_EQ(moved, 1);
}

TEST_F(Startup, SecondInstanceEndsBeforeAnyWindowExists)
{
    mem_.another_instance = true;
    EXPECT_THROW(Main(program_), ProcessEnded);
    EXPECT_EQ(mem_.log, (std::vector<std::string>{"AnotherInstanceRunning", "EndAtOnce"}));
    EXPECT_EQ(mem_.form, nullptr);
    EXPECT_TRUE(mem_.sounds.empty());
}

TEST_F(Startup, ProgramAtTheDriveRootGetsOneBackslash)
{
    mem_.executable_folder = "C:\\";
    Main(program_);
    EXPECT_EQ(program_.g.AppPath, "C:\\");
    EXPECT_EQ(program_.g.TunesDir, "C:\\Tunes\\");
}

TEST_F(Startup, UnknownProgramFolderLooksForTheLibraryAtTheRoot)
{
    mem_.executable_folder.reset();
    Main(program_);
    EXPECT_EQ(program_.g.AppPath, "\\");
    EXPECT_EQ(program_.g.TunesDir, "\\Tunes\\");
    EXPECT_TRUE(mem_.form->Visible());
}

TEST_F(Startup, EmptyLibraryLeavesTheListEmptyAndTheInitialText)
{
    mem_.folders["C:\\Tools\\Tuning\\Tunes\\"] = {};
    Main(program_);
    tk::ComboBox& combo = program_.tuner->cboSound();
    EXPECT_EQ(combo.ListCount(), 0);
    EXPECT_EQ(combo.ListIndex(), -1);
    EXPECT_EQ(combo.Text(), "Acoustic");
    EXPECT_EQ(program_.g.SoundSet, "");
    EXPECT_TRUE(mem_.form->Visible());
    EXPECT_EQ(At("cboSound.ListIndex"), -1);
}

TEST_F(Startup, UnreadableLibraryListsNothingAndStillOpens)
{
    mem_.folders.clear();
    mem_.folders["C:\\Tools\\Tuning\\"] = {"C:\\Tools\\Tuning\\Unrelated"};
    Main(program_);
    EXPECT_EQ(program_.tuner->cboSound().ListCount(), 0);
    EXPECT_EQ(program_.g.SoundSet, "");
    EXPECT_TRUE(mem_.form->Visible());
    EXPECT_EQ(mem_.sounds.size(), 1u);
}

TEST_F(Startup, PressDuringLoadFindsNoSetAndPlaysFromTheLibraryFolder)
{
    // A press waiting in the queue is handled while the load step processes
    // pending events, before the set list is filled.
    mem_.pending.push_back([&] { mem_.form->Press(ctl::Picture1(3)); });
    Main(program_);
    ASSERT_GE(mem_.sounds.size(), 2u);
    EXPECT_EQ(mem_.sounds[0].path, "C:\\Tools\\Tuning\\Tunes\\D.wav");
    EXPECT_EQ(mem_.sounds[0].flags, 9u);
    EXPECT_EQ(mem_.sounds[1].path, "C:\\Tools\\Tuning\\Tunes\\Chord.wav");
}

} // namespace
} // namespace tarvisk
