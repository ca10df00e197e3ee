#pragma once
// The sub-folders of a folder, for the folder-list control on Linux.

#include <optional>
#include <string>
#include <vector>

namespace tk::linux_paths {

// Full program paths of the immediate sub-folders of folder (a program
// path), sorted by name without regard to the case of ASCII letters, under
// any locale, ties by exact bytes.
// Symbolic links to folders count as folders. Names starting with "." are
// hidden folders and left out, and so are names that are not UTF-8 and any
// name the path mapping refuses. Empty when the folder cannot be read.
std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder);

// The part of the listing that looks only at names: folder names as the
// system gives them, in; the listed ones in the program's form and sorted
// as above, out.
std::vector<std::string> ListedNames(std::vector<std::string> native_names);

} // namespace tk::linux_paths
