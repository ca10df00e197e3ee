#pragma once
// What a screen reader learns of the window's own controls: the picture
// boxes' names, roles and on/off state, and the combo box named by its label.

namespace tk::qt {

// Call once the application object exists.
void InstallAccessibility();

} // namespace tk::qt
