#include "toolkit/linux/instance_lock.h"

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tk::linux_instance {

namespace {

std::string LockPath()
{
    // The runtime folder is per user and per session; /tmp is the fallback.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/tarvisk.lock";
    return "/tmp/tarvisk-" + std::to_string(getuid()) + ".lock";
}

} // namespace

bool TakeInstanceLock()
{
    int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true; // no place for a lock: do not refuse to run
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    // The descriptor stays open, and the lock held, until the process ends.
    return true;
}

} // namespace tk::linux_instance
