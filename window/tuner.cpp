#include "window/tuner.h"

#include "sound/library.h"
#include "sound/sound.h"
#include "startup/commands.h"
#include "toolkit/error.h"
#include "window/paint.h"
#include "window/screen_reader.h"
#include "window/tuner_form.h"

namespace tarvisk {

using tk::ResumeNext;

Tuner::Tuner(tk::Platform& platform, Globals& globals)
    : platform_(platform), g_(globals), modes_(globals, *this),
      form_(platform.forms.Create(TunerFormDesign(), *this))
{
}

Tuner::~Tuner() = default;

tk::FolderList& Tuner::SoundsDir() { return form_->FolderListAt(ctl::SoundsDir); }
tk::ComboBox& Tuner::cboSound() { return form_->ComboBoxAt(ctl::cboSound); }
tk::PictureBox& Tuner::Picture1(int index)
{
    if (index < 0 || index > 5)
        throw tk::Error("Control array element does not exist");
    return form_->PictureBoxAt(ctl::Picture1(index));
}
tk::PictureBox& Tuner::Picture2() { return form_->PictureBoxAt(ctl::Picture2); }
tk::PictureBox& Tuner::picAllOn() { return form_->PictureBoxAt(ctl::picAllOn); }
tk::PictureBox& Tuner::picAllOff() { return form_->PictureBoxAt(ctl::picAllOff); }
tk::Timer& Tuner::Timer1() { return form_->TimerAt(ctl::Timer1); }

void Tuner::Form_Load()
{
    ResumeNext([&] { CenterForm(*form_, platform_.screen); });
    ResumeNext([&] { picAllOff().SetPicture(form_->Picture()); });
    ResumeNext([&] { Paint(kPicture2, Canvas::picAllOff); });
    for (int i = 0; i <= 5; ++i)
        ResumeNext([&] { Paint(i, Canvas::picAllOff); });
    ResumeNext([&] { Paint(kPicture2, Canvas::picAllOn); });
    g_.LoopMode = 1;
    // What a screen reader reads, told before anyone can see the window.
    for (int i = 0; i <= 5; ++i)
        ResumeNext([&] { Picture1(i).Describe(StringDescription(i)); });
    ResumeNext([&] { ShowLoopMode(); });
    ResumeNext([&] { form_->Show(); });
    ResumeNext([&] { platform_.process.DoEvents(); });
    ResumeNext([&] { PlayWavOnce(platform_.sound, ChordPath(g_.TunesDir)); });
}

void Tuner::Form_Unload(std::int16_t&)
{
    // Loop mode off and nothing else: a repeating note keeps sounding.
    g_.LoopMode = 0;
}

void Tuner::Command1_Click() { platform_.process.EndAtOnce(); }

void Tuner::Picture1_MouseDown(std::int16_t index, std::int16_t button, std::int16_t shift, float x, float y)
{
    modes_.Picture1_MouseDown(index, button, shift, x, y);
}

void Tuner::Picture2_MouseDown(std::int16_t button, std::int16_t shift, float x, float y)
{
    modes_.Picture2_MouseDown(button, shift, x, y);
    ResumeNext([&] { ShowLoopMode(); });
}

void Tuner::cboSound_Click() { modes_.cboSound_Click(cboSound().Text()); }

void Tuner::Timer1_Timer() { modes_.Timer1_Timer(); }

void Tuner::Load() { Form_Load(); }

void Tuner::Unload(std::int16_t& cancel) { Form_Unload(cancel); }

void Tuner::MouseDown(tk::ControlId id, std::int16_t index, std::int16_t button, std::int16_t shift, float x,
                      float y)
{
    if (id == ctl::Picture2)
        Picture2_MouseDown(button, shift, x, y);
    else if (id >= ctl::Picture1(5) && id <= ctl::Picture1(0))
        Picture1_MouseDown(index, button, shift, x, y);
}

void Tuner::Click(tk::ControlId id)
{
    if (id == ctl::cboSound)
        cboSound_Click();
    else if (id == ctl::Command1)
        Command1_Click();
}

void Tuner::TimerFired(tk::ControlId id)
{
    if (id == ctl::Timer1)
        Timer1_Timer();
}

void Tuner::Paint(int target, Canvas canvas)
{
    tk::PictureBox& box = target == kPicture2 ? Picture2() : Picture1(target);
    tk::PictureBox& from = canvas == Canvas::picAllOn ? picAllOn() : picAllOff();
    PaintFromCanvas(platform_.gdi, &box, &from);
}

void Tuner::ShowLoopMode() { Picture2().Describe(LoopDescription(g_.LoopMode)); }

void Tuner::PlayOnce(const std::string& path) { PlayWavOnce(platform_.sound, path); }

void Tuner::PlayLooped(const std::string& path) { PlayWavLoop(platform_.sound, path); }

void Tuner::SetTimer(bool on) { Timer1().SetEnabled(on); }

} // namespace tarvisk
