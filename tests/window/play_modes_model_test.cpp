// Long random sequences of presses, toggles, set choices and timer firings,
// run through the real handlers and through a small model written straight
// from the state table; both must agree after every event.

#include "recording_actions.h"

#include "startup/commands.h"
#include "window/play_modes.h"

#include <gtest/gtest.h>

#include <random>

namespace tarvisk {
namespace {

const std::string kTunes = "\\home\\ana\\Tunes\\";
const std::string kReset = kTunes + "reset.wav";
const char* const kFiles[] = {"E2.wav", "H.wav", "G.wav", "D.wav", "A.wav", "E.wav"};
const char* const kSets[] = {"Acoustic", "Electric", "Pure Tone"};

// The state table, one state per row: single-shot, loop idle, looping.
struct Model {
    int loop_mode = 1;
    bool looping = false;
    std::string looping_wav;
    std::string current_wav;
    std::string set;
    bool timer = false;
    std::vector<std::string> out;

    void Clear()
    {
        for (int i = 0; i < 6; ++i)
            out.push_back("Picture1(" + std::to_string(i) + ") off");
    }
    void Press(int i)
    {
        const std::string note = kTunes + set + kFiles[i];
        Clear();
        out.push_back("Picture1(" + std::to_string(i) + ") on");
        current_wav = note;
        if (loop_mode == 0) {
            out.push_back("once " + note);
            out.push_back("timer on");
            timer = true;
        } else if (!looping) {
            out.push_back("loop " + note);
            looping = true;
            looping_wav = note;
        } else if (note != looping_wav) {
            out.push_back("loop " + note);
            looping_wav = note;
        } else {
            out.push_back("once " + kReset);
            looping = false;
            Clear();
        }
    }
    void Toggle()
    {
        if (loop_mode == 0) {
            out.push_back("Picture2 on");
            loop_mode = 1;
        } else {
            out.push_back("Picture2 off");
            loop_mode = 0;
            out.push_back("once " + kReset);
            current_wav.clear();
            looping = false;
            Clear();
        }
    }
    void Choose(const std::string& name)
    {
        set = name + "\\";
        if (loop_mode == 1 && looping) {
            const std::string file = looping_wav.substr(looping_wav.rfind('\\') + 1);
            current_wav = kTunes + set + file;
            out.push_back("loop " + current_wav);
            looping_wav = current_wav;
        }
    }
    void Fire()
    {
        Clear();
        out.push_back("timer off");
        timer = false;
    }
};

TEST(PlayModesModel, RandomSequencesAgreeWithTheStateTable)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        Globals g;
        g.TunesDir = kTunes;
        g.ResetWav = kReset;
        g.LoopMode = 1;
        testing::RecordingActions actions;
        PlayModes modes(g, actions);
        Model model;

        for (int step = 0; step < 500; ++step) {
            const unsigned pick = random() % 10;
            std::string what;
            if (pick < 6) {
                const int i = static_cast<int>(random() % 6);
                const auto button = static_cast<std::int16_t>(1 << (random() % 3));
                what = "press " + std::to_string(i);
                modes.Picture1_MouseDown(static_cast<std::int16_t>(i), button, 0, 3, 4);
                model.Press(i);
            } else if (pick == 6) {
                what = "toggle";
                modes.Picture2_MouseDown(2, 0, 0, 0);
                model.Toggle();
            } else if (pick == 7) {
                const std::string set = kSets[random() % 3];
                what = "choose " + set;
                modes.cboSound_Click(set);
                model.Choose(set);
            } else {
                // The timer only fires while it is on.
                if (!model.timer)
                    continue;
                what = "timer";
                modes.Timer1_Timer();
                model.Fire();
            }
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step) + " (" + what + ")";
            ASSERT_EQ(actions.log, model.out) << where;
            ASSERT_EQ(g.LoopMode, model.loop_mode) << where;
            ASSERT_EQ(modes.IsLooping, model.looping ? kTrue : kFalse) << where;
            ASSERT_EQ(modes.CurrentWav, model.current_wav) << where;
            if (model.looping) {
                ASSERT_EQ(modes.LoopingWav, model.looping_wav) << where;
            }
            ASSERT_EQ(g.SoundSet, model.set) << where;
            actions.log.clear();
            model.out.clear();
        }
    }
}

} // namespace
} // namespace tarvisk
