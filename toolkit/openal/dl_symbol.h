#pragma once
// A function of a library opened at run time, into a pointer of its own type.

#include <dlfcn.h>

namespace tk::openal {

template <typename Function> bool Find(void* handle, const char* name, Function& into)
{
    into = reinterpret_cast<Function>(dlsym(handle, name));
    return into != nullptr;
}

} // namespace tk::openal
