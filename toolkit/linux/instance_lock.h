#pragma once
// One running program per user session on Linux: an exclusive flock on a
// file in the user's runtime folder, or without one in a folder of the
// user's own in TMPDIR (or /tmp). The kernel drops the lock when the holder
// dies, so a crashed run never blocks the next start.

namespace tk::linux_instance {

// Takes the lock for the life of the process. False when another process
// holds it. Decides before any window exists and never waits.
bool TakeInstanceLock();

} // namespace tk::linux_instance
