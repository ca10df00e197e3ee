#include "toolkit/openal/pulse_stream_name.h"

#include "toolkit/openal/dl_symbol.h"
#include "toolkit/openal/loaded_library.h"

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <string>
#include <type_traits>
#include <vector>

namespace tk::openal {

namespace {

struct Pulse {
    decltype(&::pa_stream_new_with_proplist) stream_new = nullptr;
    decltype(&::pa_proplist_copy) copy = nullptr;
    decltype(&::pa_proplist_iterate) iterate = nullptr;
    decltype(&::pa_proplist_get) get = nullptr;
    decltype(&::pa_proplist_unset) unset = nullptr;
    decltype(&::pa_proplist_free) free = nullptr;
};

Pulse pulse;

pa_stream* NewNamedStream(pa_context* context, const char*, const pa_sample_spec* format,
                          const pa_channel_map* map, pa_proplist* properties)
{
    if (properties == nullptr)
        return pulse.stream_new(context, kStreamName, format, map, nullptr);
    pa_proplist* own = pulse.copy(properties);
    std::vector<std::string> empty;
    void* state = nullptr;
    while (const char* key = pulse.iterate(own, &state)) {
        const void* data = nullptr;
        std::size_t size = 0;
        if (pulse.get(own, key, &data, &size) == 0 && size == 0)
            empty.emplace_back(key);
    }
    for (const std::string& key : empty)
        pulse.unset(own, key.c_str());
    pa_stream* stream = pulse.stream_new(context, kStreamName, format, map, own);
    pulse.free(own);
    return stream;
}
static_assert(std::is_same_v<decltype(&NewNamedStream), decltype(&::pa_stream_new_with_proplist)>);

// The one aligned word of the library's writable memory, outside RELRO, that
// holds VALUE; nullptr when there is none or more than one.
std::uintptr_t* OnlyWordHolding(const LoadedLibrary& library, std::uintptr_t value)
{
    std::uintptr_t* only = nullptr;
    for (const AddressRange& range : library.writable) {
        const std::uintptr_t first = (range.begin + alignof(std::uintptr_t) - 1) & ~(alignof(std::uintptr_t) - 1);
        for (std::uintptr_t at = first; at + sizeof(std::uintptr_t) <= range.end; at += sizeof(std::uintptr_t)) {
            if (library.relro.Holds(at))
                continue;
            std::uintptr_t word = 0;
            std::memcpy(&word, reinterpret_cast<const void*>(at), sizeof word);
            if (word != value)
                continue;
            if (only != nullptr)
                return nullptr;
            only = reinterpret_cast<std::uintptr_t*>(at);
        }
    }
    return only;
}

// False while libpulse is not loaded: OpenAL Soft may load it later.
bool Redirect(const void* any_openal_function)
{
    void* handle = dlopen("libpulse.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    Pulse found;
    if (!Find(handle, "pa_stream_new_with_proplist", found.stream_new) ||
        !Find(handle, "pa_proplist_copy", found.copy) || !Find(handle, "pa_proplist_iterate", found.iterate) ||
        !Find(handle, "pa_proplist_get", found.get) || !Find(handle, "pa_proplist_unset", found.unset) ||
        !Find(handle, "pa_proplist_free", found.free))
        return true;
    const auto openal = LibraryHolding(any_openal_function);
    std::uintptr_t* entry =
        openal ? OnlyWordHolding(*openal, reinterpret_cast<std::uintptr_t>(found.stream_new)) : nullptr;
    if (entry == nullptr)
        return true;
    pulse = found;
    *entry = reinterpret_cast<std::uintptr_t>(&NewNamedStream);
    return true;
}

} // namespace

void NameOpenAlStreams(const void* any_openal_function)
{
    static std::mutex mutex;
    static bool settled = false;
    const std::lock_guard lock(mutex);
    if (!settled)
        settled = Redirect(any_openal_function);
}

} // namespace tk::openal
