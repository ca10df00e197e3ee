#include "toolkit/openal/alsoft_setup.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace tk::openal {

namespace {

// The stream may follow the user's switch of the default output.
constexpr char kConfig[] = "[general]\n"
                           "period_size = 256\n"
                           "periods = 12\n"
                           "resampler = bsinc12\n"
                           "sources = 4\n"
                           "sends = 0\n"
                           "[pulse]\n"
                           "allow-moves = true\n";

// OpenAL Soft reads ALSOFT_CONF once, at its first use. A memory file keeps
// the program from writing anything to disk; the descriptor stays open for
// the life of the process.
void PointConfigToMemoryFile()
{
    if (std::getenv("ALSOFT_CONF") != nullptr)
        return;
    const int fd = memfd_create("tarvisk-alsoft.conf", MFD_CLOEXEC);
    if (fd < 0)
        return;
    const std::size_t size = std::strlen(kConfig);
    if (write(fd, kConfig, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    setenv("ALSOFT_CONF", path.c_str(), 0);
}

extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

// ALSA prints several lines of its own when there is no sound card. OpenAL
// Soft loads the same libasound at run time, so its handler is ours to set.
void SilenceAlsa()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (alsa == nullptr)
        return;
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&IgnoreAlsaError);
    // The handle stays open so the handler outlives this call.
}

void PrepareOpenAlProcess()
{
    static std::once_flag once;
    std::call_once(once, [] {
        PointConfigToMemoryFile();
        setenv("ALSOFT_LOGLEVEL", "0", 0);
    });
}

} // namespace tk::openal
