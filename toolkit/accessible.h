#pragma once
// What a screen reader is told of a control: one platform-neutral
// description, given by the window's own code, that every backend presents
// as its platform's screen readers read it. Nothing of it shows.

#include "toolkit/form_design.h"

#include <string>
#include <string_view>

namespace tk {

enum class Role {
    None,     // not offered as content
    Picture,  // a picture that a click acts on; it offers no action of its own
    CheckBox, // on or off, as the window says
};

struct Description {
    Role role = Role::None;
    std::string name{};
    std::string description{};
    bool checked = false; // a check box's state
    friend bool operator==(const Description&, const Description&) = default;
};

// The name a label gives the control it names: its caption without the
// colon that ends it. Empty when no label of the design names the control.
std::string LabelledName(const FormDesign& design, ControlId id);

} // namespace tk
