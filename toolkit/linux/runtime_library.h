#pragma once
// A library opened at run time, once, as a table of its functions. The sound
// output opens its libraries on its own thread at the first request, so none
// of them, nor what they link, loads before the window's first paint. The
// table is nullptr when the library or one of its functions is missing.

#include <dlfcn.h>

// A table member per function, of the function's own type.
#define TARVISK_MEMBER(name) decltype(&::name) name = nullptr;
#define TARVISK_LOOKUP(name) &&tk::linux_runtime::Find(handle, #name, table.name)

namespace tk::linux_runtime {

template <typename Function> bool Find(void* handle, const char* name, Function& into)
{
    into = reinterpret_cast<Function>(dlsym(handle, name));
    return into != nullptr;
}

// Never closed: sounds and streams made through it may outlive any caller.
template <typename Table> const Table* OpenOnce(const char* soname, bool (*fill)(void*, Table&))
{
    static Table table;
    static const bool loaded = [&] {
        void* handle = dlopen(soname, RTLD_LAZY | RTLD_LOCAL);
        return handle != nullptr && fill(handle, table);
    }();
    return loaded ? &table : nullptr;
}

} // namespace tk::linux_runtime
