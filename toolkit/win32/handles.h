#pragma once
// Owning wrappers for the Win32 handles the backend holds.

#include "toolkit/win32/win.h"

#include <memory>
#include <type_traits>

namespace tk::win32 {

struct DeleteGdiObject {
    void operator()(void* object) const noexcept { ::DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct DeleteDc {
    void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
struct CloseKernelHandle {
    void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};

template <class Handle> using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, DeleteGdiObject>;
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;
using KernelHandle = std::unique_ptr<void, CloseKernelHandle>;

} // namespace tk::win32
