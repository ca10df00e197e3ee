// The library tool's reader, which `tarvisk-tunes check` runs on files of
// any library. It reads by path: the bytes go to a memory file.

#include "tools/tunes/wav_io.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("note.wav", MFD_CLOEXEC);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    std::string error;
    const auto wav = tarvisk::tunes::ReadWav("/proc/self/fd/" + std::to_string(fd), error);
    close(fd);
    if (wav ? wav->frames <= 0 || static_cast<std::size_t>(wav->frames) != wav->mono.size() || wav->rate < 1
            : error.empty())
        std::abort();
    return 0;
}
