#pragma once
// A library as the dynamic loader mapped it, found by an address in its code,
// and the slots through which it calls other libraries' functions.

#include <cstdint>
#include <link.h>
#include <optional>
#include <vector>

namespace tk::openal {

struct AddressRange {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;

    bool Holds(std::uintptr_t at) const { return at >= begin && at < end; }
};

struct LoadedLibrary {
    std::uintptr_t base = 0;
    std::vector<AddressRange> writable;
    AddressRange relro; // made read-only once relocated
    const ElfW(Dyn)* dynamic = nullptr;
};

std::optional<LoadedLibrary> LibraryHolding(const void* code);

// The writable slot the library's calls to SYMBOL jump through (its PLT's
// GOT entry); nullptr when it has none or the slot is read-only.
std::uintptr_t* CallSlot(const LoadedLibrary& library, const char* symbol);

} // namespace tk::openal
