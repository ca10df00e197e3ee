#include "toolkit/form.h"

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

PictureBox& Form::PictureBoxAt(ControlId id)
{
    Load();
    return PictureBoxOf(id);
}

ComboBox& Form::ComboBoxAt(ControlId id)
{
    Load();
    return ComboBoxOf(id);
}

FolderList& Form::FolderListAt(ControlId id)
{
    Load();
    return FolderListOf(id);
}

Timer& Form::TimerAt(ControlId id)
{
    Load();
    return TimerOf(id);
}

} // namespace tk
