#pragma once
// The folder-list control as a plain directory listing: it needs no window.

#include "toolkit/controls.h"

#include <string>
#include <vector>

namespace tk::win32 {

class Win32FolderList final : public tk::FolderList {
public:
    std::string Path() const override { return path_; }
    // Throws tk::Error, and lists nothing from then on, when the folder
    // can't be opened.
    void SetPath(const std::string& folder) override;
    void Refresh() override;
    std::int16_t ListCount() const override;
    std::string List(int index) const override;

private:
    std::string path_;
    std::vector<std::string> entries_;
};

// The immediate sub-folders of folder (which ends in "\"), as full paths,
// sorted by name without regard to case; never "." or "..".
std::vector<std::string> SubFolders(const std::string& folder);

// The folder part of a module's full path; it ends in "\" only at a drive root.
std::string FolderOfModulePath(const std::string& module_path);

} // namespace tk::win32
