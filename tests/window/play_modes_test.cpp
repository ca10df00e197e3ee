// The play-mode machine row by row, then the edge cases that catch real
// faults, against recorded actions.

#include "recording_actions.h"

#include "toolkit/error.h"
#include "window/play_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace tarvisk {
namespace {

using testing::ClearAll;
using testing::RecordingActions;

const std::string kTunes = "C:\\T\\Tunes\\";
const std::string kReset = kTunes + "reset.wav";

std::vector<std::string> Seq(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
std::vector<std::string> One(std::string s) { return {std::move(s)}; }

enum class Event { PressG, PressA, Toggle, ChooseElectric, Timer };

struct State {
    std::int16_t loop_mode;
    std::int16_t is_looping;
    std::string looping_wav;
    std::string current_wav;
};

struct Row {
    const char* name;
    State before;
    Event event;
    std::vector<std::string> actions;
    State after;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const std::string kG = kTunes + "Acoustic\\G.wav";
const std::string kA = kTunes + "Acoustic\\A.wav";
const std::string kElectricG = kTunes + "Electric\\G.wav";

class StateTable : public ::testing::TestWithParam<Row> {};

TEST_P(StateTable, ActionsAndNextState)
{
    const Row& row = GetParam();
    Globals g;
    g.TunesDir = kTunes;
    g.ResetWav = kReset;
    g.SoundSet = "Acoustic\\";
    g.LoopMode = row.before.loop_mode;
    RecordingActions actions;
    PlayModes modes(g, actions);
    modes.IsLooping = row.before.is_looping;
    modes.LoopingWav = row.before.looping_wav;
    modes.CurrentWav = row.before.current_wav;

    switch (row.event) {
    case Event::PressG:
        modes.Picture1_MouseDown(2, 1, 0, 10, 10);
        break;
    case Event::PressA:
        modes.Picture1_MouseDown(4, 1, 0, 10, 10);
        break;
    case Event::Toggle:
        modes.Picture2_MouseDown(1, 0, 10, 10);
        break;
    case Event::ChooseElectric:
        modes.cboSound_Click("Electric");
        break;
    case Event::Timer:
        modes.Timer1_Timer();
        break;
    }

    EXPECT_EQ(actions.log, row.actions);
    EXPECT_EQ(g.LoopMode, row.after.loop_mode);
    EXPECT_EQ(modes.IsLooping, row.after.is_looping);
    EXPECT_EQ(modes.LoopingWav, row.after.looping_wav);
    EXPECT_EQ(modes.CurrentWav, row.after.current_wav);
    if (row.event == Event::ChooseElectric) {
        EXPECT_EQ(g.SoundSet, "Electric\\");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StateTable,
    ::testing::Values(
        Row{"SingleShotPress",
            {0, kFalse, "", ""},
            Event::PressG,
            Seq({ClearAll(), One("Picture1(2) on"), One("once " + kG), One("timer on")}),
            {0, kFalse, "", kG}},
        Row{"LoopIdlePress",
            {1, kFalse, "", ""},
            Event::PressG,
            Seq({ClearAll(), One("Picture1(2) on"), One("loop " + kG)}),
            {1, kTrue, kG, kG}},
        Row{"LoopingPressOther",
            {1, kTrue, kA, kA},
            Event::PressG,
            Seq({ClearAll(), One("Picture1(2) on"), One("loop " + kG)}),
            {1, kTrue, kG, kG}},
        Row{"LoopingPressSame",
            {1, kTrue, kG, kG},
            Event::PressG,
            Seq({ClearAll(), One("Picture1(2) on"), One("once " + kReset), ClearAll()}),
            {1, kFalse, kG, kG}},
        Row{"SingleShotToggle", {0, kFalse, kA, kA}, Event::Toggle, One("Picture2 on"), {1, kFalse, kA, kA}},
        Row{"LoopIdleToggle",
            {1, kFalse, kA, kA},
            Event::Toggle,
            Seq({One("Picture2 off"), One("once " + kReset), ClearAll()}),
            {0, kFalse, kA, ""}},
        Row{"LoopingToggle",
            {1, kTrue, kA, kA},
            Event::Toggle,
            Seq({One("Picture2 off"), One("once " + kReset), ClearAll()}),
            {0, kFalse, kA, ""}},
        Row{"SingleShotSetChosen", {0, kFalse, kG, kG}, Event::ChooseElectric, {}, {0, kFalse, kG, kG}},
        Row{"LoopIdleSetChosen", {1, kFalse, kG, kA}, Event::ChooseElectric, {}, {1, kFalse, kG, kA}},
        Row{"LoopingSetChosen",
            {1, kTrue, kG, kG},
            Event::ChooseElectric,
            One("loop " + kElectricG),
            {1, kTrue, kElectricG, kElectricG}},
        Row{"TimerFired",
            {0, kFalse, "", kG},
            Event::Timer,
            Seq({ClearAll(), One("timer off")}),
            {0, kFalse, "", kG}},
        Row{"TimerFiredWhileLooping",
            {1, kTrue, kG, kG},
            Event::Timer,
            Seq({ClearAll(), One("timer off")}),
            {1, kTrue, kG, kG}}),
    [](const auto& row) { return std::string(row.param.name); });

class PlayModesEdges : public ::testing::Test {
protected:
    PlayModesEdges() : modes_(g_, actions_)
    {
        g_.TunesDir = kTunes;
        g_.ResetWav = kReset;
        g_.SoundSet = "Acoustic\\";
        g_.LoopMode = 1;
    }
    void Press(std::int16_t i, std::int16_t button = 1) { modes_.Picture1_MouseDown(i, button, 0, 0, 0); }
    void Toggle(std::int16_t button = 1) { modes_.Picture2_MouseDown(button, 0, 0, 0); }
    std::vector<std::string> Take() { return std::exchange(actions_.log, {}); }

    Globals g_;
    RecordingActions actions_;
    PlayModes modes_;
};

TEST_F(PlayModesEdges, SameStringThreeTimesStartsStopsAndStartsAgain)
{
    Press(0);
    EXPECT_EQ(Take().back(), "loop " + kTunes + "Acoustic\\E2.wav");
    Press(0);
    auto stop = Take();
    EXPECT_EQ(stop, Seq({ClearAll(), One("Picture1(0) on"), One("once " + kReset), ClearAll()}));
    Press(0);
    EXPECT_EQ(Take().back(), "loop " + kTunes + "Acoustic\\E2.wav");
    EXPECT_EQ(modes_.IsLooping, kTrue);
}

TEST_F(PlayModesEdges, SetChangeWhileLoopingThenSameStringStops)
{
    Press(5);
    modes_.cboSound_Click("Electric");
    EXPECT_EQ(Take().back(), "loop " + kTunes + "Electric\\E.wav");
    Press(5);
    auto stop = Take();
    EXPECT_EQ(stop[7], "once " + kReset) << "the same string in the new set stops the loop";
    EXPECT_EQ(modes_.IsLooping, kFalse);
}

TEST_F(PlayModesEdges, LoopModeOffAndOnLeavesAStaleLoopingPathThatDoesNotStop)
{
    Press(1);
    Toggle(); // off
    Toggle(); // on: nothing plays, nothing painted
    EXPECT_EQ(Take().back(), "Picture2 on");
    EXPECT_EQ(modes_.LoopingWav, kTunes + "Acoustic\\H.wav");
    Press(1);
    EXPECT_EQ(Take().back(), "loop " + kTunes + "Acoustic\\H.wav") << "a new loop, not a stop";
}

TEST_F(PlayModesEdges, EveryMouseButtonPresses)
{
    for (std::int16_t button : {1, 2, 4}) {
        Globals g = g_;
        RecordingActions actions;
        PlayModes modes(g, actions);
        modes.Picture1_MouseDown(3, button, 0, 0, 0);
        EXPECT_EQ(actions.log.back(), "loop " + kTunes + "Acoustic\\D.wav") << button;
        modes.Picture2_MouseDown(button, 0, 0, 0);
        EXPECT_EQ(g.LoopMode, 0) << button;
    }
}

TEST_F(PlayModesEdges, EmptySoundSetPlaysFromTheLibraryFolder)
{
    g_.SoundSet.clear();
    Press(4);
    EXPECT_EQ(Take().back(), "loop " + kTunes + "A.wav");
}

TEST_F(PlayModesEdges, QuickSingleShotPressesEachSwitchTheTimerOnAgain)
{
    g_.LoopMode = 0;
    Press(0);
    Press(3);
    auto log = Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "timer on"), 2);
    EXPECT_EQ(log.back(), "timer on");
    EXPECT_EQ(log[log.size() - 2], "once " + kTunes + "Acoustic\\D.wav");
}

// A window whose paints and timer fail: the press handlers skip the failing
// step and still move the state on; the timer handler does not catch.
class FailingActions final : public PlayModeActions {
public:
    void Paint(int, Canvas) override { throw tk::Error("paint failed"); }
    void PlayOnce(const std::string& path) override { played.push_back("once " + path); }
    void PlayLooped(const std::string& path) override { played.push_back("loop " + path); }
    void SetTimer(bool) override { throw tk::Error("timer failed"); }
    std::vector<std::string> played;
};

TEST(PlayModesFailures, PressHandlersSkipFailingStepsAndMoveOn)
{
    Globals g;
    g.TunesDir = kTunes;
    g.ResetWav = kReset;
    g.LoopMode = 1;
    FailingActions actions;
    PlayModes modes(g, actions);
    modes.Picture1_MouseDown(2, 1, 0, 0, 0);
    EXPECT_EQ(modes.IsLooping, kTrue);
    modes.Picture2_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(g.LoopMode, 0);
    modes.Picture1_MouseDown(2, 1, 0, 0, 0);
    EXPECT_EQ(
        actions.played,
        (std::vector<std::string>{"loop " + kTunes + "G.wav", "once " + kReset, "once " + kTunes + "G.wav"}));
    EXPECT_THROW(modes.Timer1_Timer(), tk::Error);
}

} // namespace
} // namespace tarvisk
