#pragma once
// A top-level window built from a FormDesign. The first touch of any control
// loads the window: the controls are created and the load event runs to its
// end before the control is handed out.

#include "toolkit/controls.h"
#include "toolkit/error.h"
#include "toolkit/form_design.h"

#include <cstdint>
#include <string>

namespace tk {

// The window's events, implemented by the window's own code. A backend
// raises them on the GUI thread, one at a time.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Load() = 0;
    virtual void Unload(std::int16_t& cancel) = 0;
    virtual void MouseDown(ControlId id, std::int16_t index, std::int16_t button,
                           std::int16_t shift, float x, float y) = 0;
    // A combo box entry selected, or a button activated.
    virtual void Click(ControlId id) = 0;
    virtual void TimerFired(ControlId id) = 0;
};

class Form {
public:
    Form(const FormDesign& design, FormEvents& events) : design_(design), events_(events) {}
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormDesign& Design() const { return design_; }
    bool Loaded() const { return loaded_; }
    // Loads the window once; later calls do nothing.
    void Load();

    PictureBox& PictureBoxAt(ControlId id);
    ComboBox& ComboBoxAt(ControlId id);
    FolderList& FolderListAt(ControlId id);
    Timer& TimerAt(ControlId id);

    // Outer rectangle on the screen, in twips.
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void SetLeft(float twips) = 0;
    virtual void SetTop(float twips) = 0;
    // The background picture.
    virtual PictureRef Picture() const = 0;
    // Visible, not modal; nothing happens when already visible.
    virtual void Show() = 0;
    virtual bool Visible() const = 0;

protected:
    FormEvents& Events() { return events_; }
    // A backend's control of one kind by its id: an error for an id of
    // another kind, as for a property the control does not have.
    template <class Map>
    static auto& ControlIn(Map& controls, ControlId id)
    {
        auto found = controls.find(id);
        if (found == controls.end())
            throw Error("Object doesn't support this property or method");
        return *found->second;
    }
    // Creates the controls in the design's order.
    virtual void CreateControls() = 0;
    virtual PictureBox& PictureBoxOf(ControlId id) = 0;
    virtual ComboBox& ComboBoxOf(ControlId id) = 0;
    virtual FolderList& FolderListOf(ControlId id) = 0;
    virtual Timer& TimerOf(ControlId id) = 0;

private:
    const FormDesign& design_;
    FormEvents& events_;
    bool loaded_ = false;
};

} // namespace tk
