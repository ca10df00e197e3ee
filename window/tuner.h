#pragma once
// The Tuner window's own code: its load, unload and exit, and the events that
// drive the play modes. It owns the window object, which the platform builds
// from the window's description.

#include "startup/globals.h"
#include "toolkit/form.h"
#include "toolkit/platform.h"
#include "window/play_modes.h"

#include <cstdint>
#include <memory>

namespace tarvisk {

class Tuner final : public tk::FormEvents, private PlayModeActions {
public:
    Tuner(tk::Platform& platform, Globals& globals);
    ~Tuner() override;

    // The window object. Touching any of its controls loads it.
    tk::Form& Form() { return *form_; }
    tk::FolderList& SoundsDir();
    tk::ComboBox& cboSound();
    tk::PictureBox& Picture1(int index);
    tk::PictureBox& Picture2();
    tk::PictureBox& picAllOn();
    tk::PictureBox& picAllOff();
    tk::Timer& Timer1();

    void Form_Load();
    void Form_Unload(std::int16_t& cancel);
    void Command1_Click();
    void Picture1_MouseDown(std::int16_t index, std::int16_t button, std::int16_t shift, float x, float y);
    void Picture2_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void cboSound_Click();
    void Timer1_Timer();

    // CurrentWav, IsLooping and LoopingWav.
    const PlayModes& Modes() const { return modes_; }

private:
    // tk::FormEvents
    void Load() override;
    void Unload(std::int16_t& cancel) override;
    void MouseDown(tk::ControlId id, std::int16_t index, std::int16_t button, std::int16_t shift, float x,
                   float y) override;
    void Click(tk::ControlId id) override;
    void TimerFired(tk::ControlId id) override;

    // The toggle's state as a screen reader reads it: loop mode's own.
    void ShowLoopMode();

    // PlayModeActions
    void Paint(int target, Canvas canvas) override;
    void PlayOnce(const std::string& path) override;
    void PlayLooped(const std::string& path) override;
    void SetTimer(bool on) override;

    tk::Platform& platform_;
    Globals& g_;
    PlayModes modes_;
    std::unique_ptr<tk::Form> form_;
};

} // namespace tarvisk
