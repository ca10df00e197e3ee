#include "toolkit/openal/loaded_library.h"

#include <cstring>

namespace tk::openal {

namespace {

#if __ELF_NATIVE_CLASS == 64
constexpr std::size_t SymbolOf(std::uint64_t info) { return ELF64_R_SYM(info); }
#else
constexpr std::size_t SymbolOf(std::uint32_t info) { return ELF32_R_SYM(info); }
#endif

struct Search {
    std::uintptr_t code = 0;
    std::optional<LoadedLibrary> found;
};

int Collect(dl_phdr_info* info, std::size_t, void* data)
{
    auto& search = *static_cast<Search*>(data);
    const auto range = [&](const ElfW(Phdr)& segment) {
        const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        return AddressRange{begin, begin + segment.p_memsz};
    };
    bool holds = false;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0 && range(segment).Holds(search.code))
            holds = true;
    }
    if (!holds)
        return 0;
    LoadedLibrary library;
    library.base = info->dlpi_addr;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && (segment.p_flags & PF_W) != 0)
            library.writable.push_back(range(segment));
        else if (segment.p_type == PT_GNU_RELRO)
            library.relro = range(segment);
        else if (segment.p_type == PT_DYNAMIC)
            library.dynamic = reinterpret_cast<const ElfW(Dyn)*>(range(segment).begin);
    }
    search.found = std::move(library);
    return 1;
}

template <typename Relocation>
std::uintptr_t* SlotIn(const LoadedLibrary& library, const Relocation* first, std::size_t bytes,
                       const ElfW(Sym)* symbols, const char* names, const char* symbol)
{
    for (const Relocation* r = first; r < first + bytes / sizeof(Relocation); ++r) {
        const ElfW(Sym)& target = symbols[SymbolOf(r->r_info)];
        if (std::strcmp(names + target.st_name, symbol) != 0)
            continue;
        const std::uintptr_t slot = library.base + r->r_offset;
        if (library.relro.Holds(slot))
            return nullptr;
        for (const AddressRange& range : library.writable)
            if (range.Holds(slot))
                return reinterpret_cast<std::uintptr_t*>(slot);
        return nullptr;
    }
    return nullptr;
}

} // namespace

std::optional<LoadedLibrary> LibraryHolding(const void* code)
{
    Search search;
    search.code = reinterpret_cast<std::uintptr_t>(code);
    dl_iterate_phdr(Collect, &search);
    return std::move(search.found);
}

std::uintptr_t* CallSlot(const LoadedLibrary& library, const char* symbol)
{
    if (library.dynamic == nullptr)
        return nullptr;
    std::uintptr_t relocations = 0, symbols = 0, names = 0;
    std::size_t bytes = 0;
    ElfW(Sxword) kind = 0;
    for (const ElfW(Dyn)* entry = library.dynamic; entry->d_tag != DT_NULL; ++entry) {
        switch (entry->d_tag) {
        case DT_JMPREL:
            relocations = entry->d_un.d_ptr;
            break;
        case DT_PLTRELSZ:
            bytes = entry->d_un.d_val;
            break;
        case DT_PLTREL:
            kind = static_cast<ElfW(Sxword)>(entry->d_un.d_val);
            break;
        case DT_SYMTAB:
            symbols = entry->d_un.d_ptr;
            break;
        case DT_STRTAB:
            names = entry->d_un.d_ptr;
            break;
        default:
            break;
        }
    }
    if (relocations == 0 || symbols == 0 || names == 0)
        return nullptr;
    // Most loaders rewrite these to addresses; some keep them as offsets.
    const auto at = [&](std::uintptr_t pointer) { return pointer < library.base ? pointer + library.base : pointer; };
    const auto* table = reinterpret_cast<const ElfW(Sym)*>(at(symbols));
    const auto* strings = reinterpret_cast<const char*>(at(names));
    if (kind == DT_RELA)
        return SlotIn(library, reinterpret_cast<const ElfW(Rela)*>(at(relocations)), bytes, table, strings, symbol);
    return SlotIn(library, reinterpret_cast<const ElfW(Rel)*>(at(relocations)), bytes, table, strings, symbol);
}

} // namespace tk::openal
