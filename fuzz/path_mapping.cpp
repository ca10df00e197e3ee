// The path mapping between native paths and the program's "\" convention.
// The input is taken once as a native path and once as a program path.

#include "toolkit/linux/native_path.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using tk::linux_paths::FromNative;
using tk::linux_paths::ToNative;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto program = FromNative(text);
    if (text.find(tk::linux_paths::kEscapedBackslash) != std::string::npos) {
        if (program)
            std::abort(); // a name holding U+F05C is refused
    } else {
        if (!program || ToNative(*program) != text)
            std::abort(); // every other native path comes back unchanged
        // Each "\" of the program's form is a separator, none from a name.
        if (std::count(program->begin(), program->end(), '\\') != std::count(text.begin(), text.end(), '/'))
            std::abort();
    }
    // A "/" in a program path is an ordinary character: never a round trip.
    if (text.find('/') != std::string::npos) {
        const auto again = FromNative(ToNative(text));
        if (again && *again == text)
            std::abort();
    }
    return 0;
}
