#include "toolkit/openal/lazy_zero_fill.h"

#include "toolkit/openal/loaded_library.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace tk::openal {

namespace {

// Small fills are the mixer's, once per period: written as usual.
constexpr std::size_t kLargeFill = std::size_t{1} << 20;

// Whether [begin, end) lies wholly in private anonymous writable mappings,
// where a released page reads back as zero (not as a file's contents).
bool PrivateAnonymous(std::uintptr_t begin, std::uintptr_t end)
{
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr)
        return false;
    std::uintptr_t covered = begin;
    char line[512];
    while (covered < end && std::fgets(line, sizeof line, maps) != nullptr) {
        std::uintptr_t from = 0, to = 0;
        char perms[5] = {};
        unsigned long long inode = 0;
        int name_at = 0;
        if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR " %4s %*s %*s %llu %n", &from, &to, perms, &inode,
                        &name_at) < 4)
            break;
        if (to <= covered)
            continue;
        if (from > covered)
            break;
        const char* name = line + name_at;
        const bool anonymous = inode == 0 && (name[0] == '\n' || name[0] == '\0' || std::strncmp(name, "[heap]", 6) == 0);
        if (std::strcmp(perms, "rw-p") != 0 || !anonymous)
            break;
        covered = to;
    }
    std::fclose(maps);
    return covered >= end;
}

} // namespace

void* ZeroFill(void* dest, int value, std::size_t size)
{
    if (value != 0 || size < kLargeFill)
        return std::memset(dest, value, size);
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(dest);
    const std::uintptr_t end = begin + size;
    const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t last = end & ~(page - 1);
    if (last <= first || !PrivateAnonymous(first, last) ||
        madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) != 0)
        return std::memset(dest, 0, size);
    std::memset(dest, 0, first - begin);
    std::memset(reinterpret_cast<void*>(last), 0, end - last);
    return dest;
}

void ZeroFillLazily(const void* any_openal_function)
{
    static std::once_flag once;
    std::call_once(once, [&] {
        const auto openal = LibraryHolding(any_openal_function);
        std::uintptr_t* slot = openal ? CallSlot(*openal, "memset") : nullptr;
        if (slot != nullptr)
            __atomic_store_n(slot, reinterpret_cast<std::uintptr_t>(&ZeroFill), __ATOMIC_RELEASE);
    });
}

} // namespace tk::openal
