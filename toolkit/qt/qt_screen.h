#pragma once
// The screen as Qt knows it, in twips.

#include "toolkit/platform.h"

namespace tk::qt {

// The application object must exist: a window has been created.
class QtScreen final : public Screen {
public:
    float Width() const override;
    float Height() const override;
};

} // namespace tk::qt
