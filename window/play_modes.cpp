#include "window/play_modes.h"

#include "sound/library.h"
#include "startup/commands.h"
#include "toolkit/error.h"

namespace tarvisk {

using tk::ResumeNext;

void PlayModes::ClearAll(bool tolerant)
{
    for (int i = 0; i <= 5; ++i) {
        if (tolerant)
            ResumeNext([&] { act_.Paint(i, Canvas::picAllOff); });
        else
            act_.Paint(i, Canvas::picAllOff);
    }
}

void PlayModes::Picture1_MouseDown(std::int16_t index, std::int16_t, std::int16_t, float, float)
{
    // Any mouse button presses the string; every step may fail on its own.
    ClearAll(true);
    ResumeNext([&] { act_.Paint(index, Canvas::picAllOn); });
    ResumeNext([&] { CurrentWav = NotePath(g_.TunesDir, g_.SoundSet, index); });
    if (g_.LoopMode == 1) {
        if (IsLooping && LoopingWav == CurrentWav) {
            ResumeNext([&] { act_.PlayOnce(g_.ResetWav); });
            IsLooping = kFalse;
            ClearAll(true);
        } else if (IsLooping) {
            ResumeNext([&] { act_.PlayLooped(CurrentWav); });
            LoopingWav = CurrentWav;
        } else {
            ResumeNext([&] { act_.PlayLooped(CurrentWav); });
            IsLooping = kTrue;
            LoopingWav = CurrentWav;
        }
    } else {
        ResumeNext([&] { act_.PlayOnce(CurrentWav); });
        ResumeNext([&] { act_.SetTimer(true); });
    }
}

void PlayModes::Picture2_MouseDown(std::int16_t, std::int16_t, float, float)
{
    if (g_.LoopMode == 0) {
        ResumeNext([&] { act_.Paint(kPicture2, Canvas::picAllOn); });
        g_.LoopMode = 1;
    } else {
        ResumeNext([&] { act_.Paint(kPicture2, Canvas::picAllOff); });
        g_.LoopMode = 0;
        ResumeNext([&] { act_.PlayOnce(g_.ResetWav); });
        CurrentWav.clear();
        IsLooping = kFalse;
        ClearAll(true);
    }
}

void PlayModes::cboSound_Click(std::string_view selected_text)
{
    g_.SoundSet = std::string(selected_text) + "\\";
    if (g_.LoopMode == 1 && IsLooping) {
        CurrentWav = g_.TunesDir + g_.SoundSet + FileNameOf(LoopingWav);
        act_.PlayLooped(CurrentWav);
        LoopingWav = CurrentWav;
    }
}

void PlayModes::Timer1_Timer()
{
    ClearAll(false);
    act_.SetTimer(false);
}

} // namespace tarvisk
