#include "toolkit/linux/folder_listing.h"

#include "toolkit/linux/native_path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace tk::linux_paths {

namespace {

bool NameLess(const std::string& a, const std::string& b)
{
    auto fold = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
    auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                  [&](char x, char y) { return fold(static_cast<unsigned char>(x)) == fold(static_cast<unsigned char>(y)); });
    if (mismatch.first == a.end() || mismatch.second == b.end()) {
        if (a.size() != b.size())
            return a.size() < b.size();
        return a < b;
    }
    auto x = static_cast<unsigned char>(fold(static_cast<unsigned char>(*mismatch.first)));
    auto y = static_cast<unsigned char>(fold(static_cast<unsigned char>(*mismatch.second)));
    return x < y;
}

} // namespace

std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(ToNative(folder), ec);
    if (ec)
        return std::nullopt;
    std::string base = folder;
    if (base.empty() || base.back() != '\\')
        base += '\\';

    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code type_ec;
        if (!it->is_directory(type_ec))
            continue;
        if (auto mapped = FromNative(name))
            names.push_back(std::move(*mapped));
    }
    std::sort(names.begin(), names.end(), NameLess);
    for (std::string& name : names)
        name.insert(0, base);
    return names;
}

} // namespace tk::linux_paths
