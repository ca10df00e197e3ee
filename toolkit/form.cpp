#include "toolkit/form.h"

#include "toolkit/twips.h"

namespace tk {

void Form::Load()
{
    if (loaded_)
        return;
    // Set first: the load event touches controls itself.
    loaded_ = true;
    CreateControls();
    events_.Load();
}

PictureBox& Form::PictureBoxAt(ControlId id) { return Touch(boxes_, id); }
ComboBox& Form::ComboBoxAt(ControlId id) { return Touch(combos_, id); }
FolderList& Form::FolderListAt(ControlId id) { return Touch(folder_lists_, id); }
Timer& Form::TimerAt(ControlId id) { return Touch(timers_, id); }
float Form::Left() const { return TwipsFromPixels(Outer().left); }
float Form::Top() const { return TwipsFromPixels(Outer().top); }
float Form::Width() const { return TwipsFromPixels(Outer().width); }
float Form::Height() const { return TwipsFromPixels(Outer().height); }
void Form::SetLeft(float twips)
{
    const int left = PixelsFromTwips(twips);
    MoveOuterTo(left, Outer().top);
}

void Form::SetTop(float twips)
{
    const int top = PixelsFromTwips(twips);
    MoveOuterTo(Outer().left, top);
}

void Form::Show()
{
    Load();
    if (!Visible())
        ShowWindow();
}

void Form::DestroyControls()
{
    timers_.Clear();
    combos_.Clear();
    folder_lists_.Clear();
    boxes_.Clear();
}

} // namespace tk
