#pragma once
// The folder-list control of every backend, over a platform's listing of a
// folder's sub-folders.

#include "toolkit/controls.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tk {

// Full paths of the immediate sub-folders of folder (a path ending in "\"),
// sorted by name; nothing when the folder cannot be opened.
using ListFolder = std::function<std::optional<std::vector<std::string>>(const std::string& folder)>;

class ListedFolderList : public FolderList {
public:
    explicit ListedFolderList(ListFolder list) : list_(std::move(list)) {}

    // The folder as set, with a "\" at its end.
    std::string Path() const override { return path_; }
    // A folder that cannot be opened fails and leaves the list pointing
    // nowhere: no path, no entries.
    void SetPath(const std::string& folder) override;
    // A folder gone since lists nothing.
    void Refresh() override;
    std::int16_t ListCount() const override;
    std::string List(int index) const override;

private:
    ListFolder list_;
    std::string path_;
    std::vector<std::string> entries_;
};

} // namespace tk
