#include "toolkit/openal/pulse_stream_name.h"

#include "toolkit/openal/dl_symbol.h"

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
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

struct Range {
    std::uintptr_t begin;
    std::uintptr_t end;
};

// The writable memory of the library whose code holds ADDRESS, without the
// part made read-only after relocation.
struct Writable {
    std::uintptr_t address = 0;
    bool found = false;
    std::vector<Range> ranges;
    Range relro{0, 0};
};

int CollectWritable(dl_phdr_info* info, std::size_t, void* data)
{
    auto& into = *static_cast<Writable*>(data);
    bool holds = false;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0 && into.address >= begin &&
            into.address < begin + segment.p_memsz)
            holds = true;
    }
    if (!holds)
        return 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const Range range{info->dlpi_addr + segment.p_vaddr, info->dlpi_addr + segment.p_vaddr + segment.p_memsz};
        if (segment.p_type == PT_LOAD && (segment.p_flags & PF_W) != 0)
            into.ranges.push_back(range);
        else if (segment.p_type == PT_GNU_RELRO)
            into.relro = range;
    }
    into.found = true;
    return 1;
}

// The one aligned word in RANGES, outside RELRO, that holds VALUE; nullptr
// when there is none or more than one.
std::uintptr_t* OnlyWordHolding(const Writable& library, std::uintptr_t value)
{
    std::uintptr_t* only = nullptr;
    for (const Range& range : library.ranges) {
        const std::uintptr_t first = (range.begin + alignof(std::uintptr_t) - 1) & ~(alignof(std::uintptr_t) - 1);
        for (std::uintptr_t at = first; at + sizeof(std::uintptr_t) <= range.end; at += sizeof(std::uintptr_t)) {
            if (at >= library.relro.begin && at < library.relro.end)
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
    Writable openal;
    openal.address = reinterpret_cast<std::uintptr_t>(any_openal_function);
    dl_iterate_phdr(CollectWritable, &openal);
    std::uintptr_t* entry =
        openal.found ? OnlyWordHolding(openal, reinterpret_cast<std::uintptr_t>(found.stream_new)) : nullptr;
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
