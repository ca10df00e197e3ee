#pragma once
// The sub-folders of a folder, for the folder-list control on Linux.

#include <optional>
#include <string>
#include <vector>

namespace tk::linux_paths {

// Full program paths of the immediate sub-folders of folder (a program
// path), sorted by name without regard to case, ties by exact bytes.
// Symbolic links to folders count as folders. Names starting with "." are
// hidden folders and left out, and so are names that are not UTF-8 and any
// name the path mapping refuses. Empty when the folder cannot be read.
std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder);

} // namespace tk::linux_paths
