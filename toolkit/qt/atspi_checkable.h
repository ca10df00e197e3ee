#pragma once
// Qt's AT-SPI bridge maps no state to AT-SPI's "checkable", which a screen
// reader finds on every check box of GTK's. A thin object in front of the
// bridge answers the state of our own picture boxes with it added; every
// other message goes to the bridge as before.

namespace tk::qt {

// Call once the application object exists; it takes effect whenever the
// bridge comes up.
void InstallCheckableStates();

} // namespace tk::qt
