#pragma once
// A screen reader's text as the tests compare it: the BSTR freed, ASCII kept.

#include "toolkit/win32/win.h"

#include <string>

namespace tk::win32::testing {

inline std::string Narrow(BSTR text)
{
    std::string out;
    for (UINT i = 0; text && i < ::SysStringLen(text); ++i)
        out += static_cast<char>(text[i]);
    ::SysFreeString(text);
    return out;
}

} // namespace tk::win32::testing
