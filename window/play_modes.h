#pragma once
// The tuner's behaviour: presses on the strings and the loop toggle, the
// choice of a sound set and the highlight timer, turned into painting,
// playback and timer switching. It reaches the window only through Actions,
// so it runs without any window system.

#include "startup/globals.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvisk {

// Painting targets: the string indicators Picture1(0..5), then the toggle.
inline constexpr int kPicture2 = 6;
enum class Canvas { picAllOn, picAllOff };

class PlayModeActions {
public:
    virtual ~PlayModeActions() = default;
    virtual void Paint(int target, Canvas canvas) = 0;
    virtual void PlayOnce(const std::string& path) = 0;
    virtual void PlayLooped(const std::string& path) = 0;
    virtual void SetTimer(bool on) = 0;
};

// The window's 16-bit Booleans.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

class PlayModes {
public:
    PlayModes(Globals& globals, PlayModeActions& actions) : g_(globals), act_(actions) {}

    void Picture1_MouseDown(std::int16_t index, std::int16_t button, std::int16_t shift, float x, float y);
    void Picture2_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    // selected_text: the text of the entry selected in the sound-set list.
    void cboSound_Click(std::string_view selected_text);
    void Timer1_Timer();

    // The window's variables.
    std::string CurrentWav;
    std::int16_t IsLooping = kFalse;
    std::string LoopingWav;

private:
    // Tolerant: each paint that fails is skipped on its own.
    void ClearAll(bool tolerant);

    Globals& g_;
    PlayModeActions& act_;
};

} // namespace tarvisk
