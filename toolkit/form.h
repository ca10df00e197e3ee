#pragma once
// A top-level window built from a FormDesign. The first touch of any control
// loads the window: the controls are created and the load event runs to its
// end before the control is handed out.

#include "toolkit/controls.h"
#include "toolkit/error.h"
#include "toolkit/form_design.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace tk {

// The window's events, implemented by the window's own code. A backend
// raises them on the GUI thread, one at a time.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Load() = 0;
    virtual void Unload(std::int16_t& cancel) = 0;
    virtual void MouseDown(ControlId id, std::int16_t index, std::int16_t button, std::int16_t shift, float x,
                           float y) = 0;
    // A combo box entry selected, or a button activated.
    virtual void Click(ControlId id) = 0;
    virtual void TimerFired(ControlId id) = 0;
};

// A form's controls of one kind by id. Asking for an id of another kind is
// an error, as for a property the control does not have.
template <class Control> class ControlMap {
public:
    template <class Derived> Derived& Add(ControlId id, std::unique_ptr<Derived> control)
    {
        Derived& added = *control;
        controls_[id] = std::move(control);
        return added;
    }
    Control& At(ControlId id) const
    {
        auto found = controls_.find(id);
        if (found == controls_.end())
            throw Error("Object doesn't support this property or method");
        return *found->second;
    }
    Control* Find(ControlId id) const
    {
        auto found = controls_.find(id);
        return found == controls_.end() ? nullptr : found->second.get();
    }
    auto begin() const { return controls_.begin(); }
    auto end() const { return controls_.end(); }
    void Clear() { controls_.clear(); }

private:
    std::map<ControlId, std::unique_ptr<Control>> controls_;
};

// The outer rectangle of a window on the screen, in pixels.
struct OuterRect {
    int left = 0, top = 0, width = 0, height = 0;
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
    virtual float Left() const;
    virtual float Top() const;
    virtual float Width() const;
    virtual float Height() const;
    virtual void SetLeft(float twips);
    virtual void SetTop(float twips);
    // The background picture.
    PictureRef Picture() const { return picture_; }
    // Visible, not modal; nothing happens when already visible.
    void Show();
    virtual bool Visible() const = 0;

protected:
    FormEvents& Events() { return events_; }
    void SetBackground(PictureRef picture) { picture_ = std::move(picture); }
    // Creates the controls in the design's order and adds them below.
    virtual void CreateControls() = 0;
    // The platform's window: its outer rectangle, moving it, showing it.
    virtual OuterRect Outer() const = 0;
    virtual void MoveOuterTo(int left, int top) = 0;
    virtual void ShowWindow() = 0;
    // Ends the controls, as a backend must before its window goes.
    void DestroyControls();
    template <class Control> Control& Touch(const ControlMap<Control>& controls, ControlId id)
    {
        Load();
        return controls.At(id);
    }

    ControlMap<PictureBox> boxes_;
    ControlMap<ComboBox> combos_;
    ControlMap<FolderList> folder_lists_;
    ControlMap<Timer> timers_;

private:
    const FormDesign& design_;
    FormEvents& events_;
    PictureRef picture_;
    bool loaded_ = false;
};

} // namespace tk
