#include "toolkit/folder_list.h"

#include "toolkit/error.h"

#include <algorithm>

namespace tk {

void ListedFolderList::SetPath(const std::string& folder)
{
    std::string key = folder;
    if (key.empty() || key.back() != '\\')
        key += '\\';
    auto listed = folder.empty() ? std::nullopt : list_(key);
    if (!listed) {
        path_.clear();
        entries_.clear();
        throw Error("Path not found");
    }
    path_ = std::move(key);
    entries_ = std::move(*listed);
}

void ListedFolderList::Refresh()
{
    auto listed = path_.empty() ? std::nullopt : list_(path_);
    entries_ = listed ? std::move(*listed) : std::vector<std::string>{};
}

std::int16_t ListedFolderList::ListCount() const
{
    // The count is a 16-bit integer; entries past it are not reachable.
    return static_cast<std::int16_t>(std::min<std::size_t>(entries_.size(), 32767));
}

std::string ListedFolderList::List(int index) const
{
    if (index < 0 || index >= ListCount())
        throw Error("Invalid property array index");
    return entries_[static_cast<std::size_t>(index)];
}

} // namespace tk
