#include "toolkit/accessible.h"

namespace tk {

std::string LabelledName(const FormDesign& design, ControlId id)
{
    const std::string_view named = design.controls[static_cast<std::size_t>(id)].name;
    for (const ControlDesign& c : design.controls) {
        if (c.kind != ControlKind::Label || c.labels != named)
            continue;
        std::string_view caption = c.text;
        if (caption.ends_with(':'))
            caption.remove_suffix(1);
        return std::string(caption);
    }
    return {};
}

} // namespace tk
