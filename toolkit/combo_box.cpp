#include "toolkit/combo_box.h"

namespace tk {

void ComboBoxBase::SetListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        throw Error("Invalid property value");
    Choose(index);
    // Errors of the handler go to the caller, as from any procedure.
    events_.Click(id_);
}

} // namespace tk
