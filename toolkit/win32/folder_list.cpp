#include "toolkit/win32/folder_list.h"

#include "toolkit/win32/win.h"

#include <algorithm>

namespace tk::win32 {

namespace {

std::string WithBackslash(std::string folder)
{
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder;
}

// A folder that exists and whose entries can be read.
bool CanOpen(const std::string& folder)
{
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    ::FindClose(search);
    return true;
}

} // namespace

std::vector<std::string> SubFolders(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);

    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int order = ::lstrcmpiA(a.c_str(), b.c_str());
        return order != 0 ? order < 0 : a < b;
    });
    for (auto& name : names)
        name.insert(0, folder);
    return names;
}

std::string FolderOfModulePath(const std::string& module_path)
{
    const auto slash = module_path.rfind('\\');
    if (slash == std::string::npos)
        throw tk::Error("Path not found");
    std::string folder = module_path.substr(0, slash);
    // "C:" alone names the drive's current folder, not its root.
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\';
    return folder;
}

void Win32FolderList::SetPath(const std::string& folder)
{
    const std::string key = WithBackslash(folder);
    if (folder.empty() || !CanOpen(key)) {
        path_.clear();
        entries_.clear();
        throw tk::Error("Path not found");
    }
    path_ = key;
}

void Win32FolderList::Refresh()
{
    entries_ = path_.empty() ? std::vector<std::string>{} : SubFolders(path_);
}

std::int16_t Win32FolderList::ListCount() const
{
    return static_cast<std::int16_t>(std::min<std::size_t>(entries_.size(), 32767));
}

std::string Win32FolderList::List(int index) const
{
    if (index < 0 || index >= ListCount())
        throw tk::Error("Invalid property array index");
    return entries_[static_cast<std::size_t>(index)];
}

} // namespace tk::win32
