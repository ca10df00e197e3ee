#include "toolkit/win32/folder_list.h"

#include "toolkit/error.h"
#include "toolkit/win32/win.h"

#include <algorithm>

namespace tk::win32 {

namespace {

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

std::optional<std::vector<std::string>> SubFolders(const std::string& folder)
{
    if (!CanOpen(folder))
        return std::nullopt;
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

} // namespace tk::win32
