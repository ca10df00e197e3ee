#include "toolkit/openal/alsoft_setup.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
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

// Whether a property list as libpulse reads it from the environment
// (key=value, the value bare or in quotes, separated by spaces) sets KEY.
bool ListSets(const char* list, std::string_view key)
{
    std::string_view rest = list != nullptr ? list : "";
    while (!rest.empty()) {
        const auto start = rest.find_first_not_of(" \t\n");
        if (start == std::string_view::npos)
            return false;
        rest.remove_prefix(start);
        const auto equals = rest.find('=');
        if (equals == std::string_view::npos)
            return false;
        if (rest.substr(0, equals) == key)
            return true;
        rest.remove_prefix(equals + 1);
        std::size_t end = 0;
        if (!rest.empty() && (rest[0] == '\'' || rest[0] == '"')) {
            const char quote = rest[0];
            for (end = 1; end < rest.size() && rest[end] != quote; ++end)
                if (rest[end] == '\\')
                    ++end;
            ++end;
        } else {
            end = rest.find_first_of(" \t\n");
        }
        rest.remove_prefix(std::min(end, rest.size()));
    }
    return false;
}

// The sound settings list a PulseAudio client, on PulseAudio and on
// pipewire-pulse alike, by its name and icon, which OpenAL Soft leaves to the
// executable's name and none. Each is the user's where PULSE_PROP,
// PULSE_PROP_OVERRIDE or a PULSE_PROP_[OVERRIDE_]key variable already sets it.
void NameClientToSoundServer()
{
    constexpr std::pair<std::string_view, std::string_view> kProperties[] = {
        {"application.name", "Tarvisk"},
        {"application.icon_name", "tarvisk"},
    };
    const char* own = std::getenv("PULSE_PROP_OVERRIDE");
    std::string list;
    for (const auto& [key, value] : kProperties) {
        const std::string name(key);
        if (ListSets(std::getenv("PULSE_PROP"), key) || ListSets(own, key) ||
            std::getenv(("PULSE_PROP_" + name).c_str()) != nullptr ||
            std::getenv(("PULSE_PROP_OVERRIDE_" + name).c_str()) != nullptr)
            continue;
        list += name + "='" + std::string(value) + "' ";
    }
    if (own != nullptr)
        list += own;
    setenv("PULSE_PROP_OVERRIDE", list.c_str(), 1);
}

extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

// ALSA prints several lines of its own when there is no sound card. OpenAL
// Soft loads the same libasound at run time, so its handler is ours to set.
void SilenceAlsa()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
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
        NameClientToSoundServer();
        setenv("ALSOFT_LOGLEVEL", "0", 0);
    });
}

} // namespace tk::openal
