#pragma once

class QWidget;

namespace tk::qt {

// Asks the X11 window manager to show no taskbar or pager entry for the
// window. Call before the window is first shown; elsewhere it does nothing.
void SkipTaskbar(QWidget& window);

} // namespace tk::qt
