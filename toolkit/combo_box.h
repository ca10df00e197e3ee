#pragma once
// What every backend's combo box shares: choosing an entry by index is
// checked, and raises the click event before it returns.

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace tk {

class ComboBoxBase : public ComboBox {
public:
    ComboBoxBase(FormEvents& events, ControlId id) : events_(events), id_(id) {}
    void SetListIndex(int index) final;

protected:
    // Makes entry index (-1: none) the selection and, for an entry, its text
    // the field's, without raising anything.
    virtual void Choose(int index) = 0;
    FormEvents& Events() { return events_; }
    ControlId Id() const { return id_; }

private:
    FormEvents& events_;
    ControlId id_;
};

} // namespace tk
