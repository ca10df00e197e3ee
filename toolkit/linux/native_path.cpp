#include "toolkit/linux/native_path.h"

#include <string_view>

namespace tk::linux_paths {

namespace {
constexpr std::string_view kEscape = kEscapedBackslash;
}

std::optional<std::string> FromNative(const std::string& native)
{
    if (native.find(kEscape) != std::string::npos)
        return std::nullopt;
    std::string out;
    out.reserve(native.size());
    for (char c : native) {
        if (c == '/')
            out += '\\';
        else if (c == '\\')
            out += kEscape;
        else
            out += c;
    }
    return out;
}

std::string ToNative(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            out += '/';
        } else if (path.compare(i, kEscape.size(), kEscape) == 0) {
            out += '\\';
            i += kEscape.size() - 1;
        } else {
            out += path[i];
        }
    }
    return out;
}

} // namespace tk::linux_paths
