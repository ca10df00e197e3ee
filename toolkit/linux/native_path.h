#pragma once
// The one place where Linux paths meet the program's own path convention,
// in which "\" is the only separator. A "/" of a native path becomes "\";
// a "\" inside a native name becomes U+F05C, a private-use character, so it
// can never turn into a separator and name a different file.

#include <optional>
#include <string>

namespace tk::linux_paths {

// U+F05C in UTF-8: a native backslash inside a name.
inline constexpr char kEscapedBackslash[] = "\xEF\x81\x9C";

// Native to program path. Empty when the native path already holds U+F05C,
// which the way back would read as a backslash: such a path is refused.
std::optional<std::string> FromNative(const std::string& native);

// Program path to native.
std::string ToNative(const std::string& path);

} // namespace tk::linux_paths
