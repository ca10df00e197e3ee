#pragma once
// The folder listing of the Win32 backend, for the shared folder-list
// control: a plain directory listing that needs no window.

#include <optional>
#include <string>
#include <vector>

namespace tk::win32 {

// The immediate sub-folders of folder (which ends in "\"), as full paths,
// sorted by name as the system compares without regard to case; never "."
// or "..". Nothing when the folder cannot be opened.
std::optional<std::vector<std::string>> SubFolders(const std::string& folder);

// The folder part of a module's full path; it ends in "\" only at a drive root.
std::string FolderOfModulePath(const std::string& module_path);

} // namespace tk::win32
