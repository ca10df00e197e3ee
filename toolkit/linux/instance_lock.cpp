#include "toolkit/linux/instance_lock.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk::linux_instance {

namespace {

// A folder of the user's own that no one else can write to: without it, a
// lock file could be created, replaced or held by someone else.
bool Private(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool own = fstat(fd, &st) == 0 && st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    close(fd);
    return own;
}

// The runtime folder is per user and per session. Without one, a folder of
// our own in the temporary folder; a name there may have been taken by
// another user first, and is then not ours to use. Empty when there is no
// folder for the lock.
std::string LockFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return runtime;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvisk-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) == 0 || Private(folder))
        return folder;
    struct stat st {};
    if (lstat(folder.c_str(), &st) == 0)
        std::fprintf(stderr, "tarvisk: %s is not a private folder of this user; no single-instance check\n",
                     folder.c_str());
    return {};
}

} // namespace

bool TakeInstanceLock()
{
    std::string folder = LockFolder();
    if (folder.empty())
        return true; // no place for a lock: do not refuse to run
    int fd = open((folder + "/tarvisk.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    // The descriptor stays open, and the lock held, until the process ends.
    return true;
}

} // namespace tk::linux_instance
