#pragma once

#include <optional>

class QWidget;

namespace tk::qt {

// Asks the X11 window manager to show no taskbar or pager entry for the
// window. Call before the window is first shown; elsewhere it does nothing.
void SkipTaskbar(QWidget& window);

struct FrameSize {
    int left = 0, right = 0, top = 0, bottom = 0;
};

// The frame the window manager will draw around the window, asked of it
// before the window is first shown. Empty without an X11 window manager
// that answers within a moment.
std::optional<FrameSize> FrameExtents(QWidget& window);

} // namespace tk::qt
