#pragma once
// The sub-folders of a folder, for the folder-list control on Linux.

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tk::linux_paths {

// Full program paths of the immediate sub-folders of folder (a program
// path), sorted by name without regard to the case of ASCII letters, under
// any locale, ties by exact bytes.
// Symbolic links to folders count as folders. Names starting with "." are
// hidden folders and left out, and so are names that are not UTF-8 and any
// name the path mapping refuses. Empty when the folder cannot be read.
std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder);

// The order of the listing, before its ties: by bytes, with the case of
// ASCII letters folded. Two names it holds equal are one name where case
// does not count, as on Windows.
std::weak_ordering CompareFolded(std::string_view a, std::string_view b);

// The part of the listing that looks only at names: folder names as the
// system gives them, in; the listed ones in the program's form and sorted
// as above, out.
std::vector<std::string> ListedNames(std::vector<std::string> native_names);

} // namespace tk::linux_paths
