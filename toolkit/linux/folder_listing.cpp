#include "toolkit/linux/folder_listing.h"

#include "toolkit/linux/native_path.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace tk::linux_paths {

namespace {

bool NameLess(const std::string& a, const std::string& b)
{
    const std::weak_ordering order = CompareFolded(a, b);
    return order < 0 || (order == 0 && a < b);
}

bool IsUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead >> 5) == 0x6               ? 2
            : (lead >> 4) == 0xE               ? 3
            : (lead >> 3) == 0x1E              ? 4
                                               : 0;
        if (length == 0 || i + length > text.size())
            return false;
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 0x2)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point.
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

} // namespace

std::weak_ordering CompareFolded(std::string_view a, std::string_view b)
{
    // ASCII letters only: the locale's tolower() folds other bytes in
    // single-byte locales and keeps "I" apart from "i" in Turkish, and the
    // program runs under the user's locale.
    auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return static_cast<unsigned char>(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u);
    };
    return std::lexicographical_compare_three_way(a.begin(), a.end(), b.begin(), b.end(),
                                                  [&](char x, char y) { return fold(x) <=> fold(y); });
}

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
            return std::nullopt; // a list cut short would choose the wrong first set
        std::error_code type_ec;
        if (it->is_directory(type_ec))
            names.push_back(it->path().filename().string());
    }
    names = ListedNames(std::move(names));
    for (std::string& name : names)
        name.insert(0, base);
    return names;
}

std::vector<std::string> ListedNames(std::vector<std::string> native_names)
{
    std::vector<std::string> names;
    for (const std::string& name : native_names) {
        if (name.empty() || name.front() == '.')
            continue;
        // The list shows names as text and reads them back from it: a name
        // that is not UTF-8 would come back as another folder's name.
        if (!IsUtf8(name))
            continue;
        if (auto mapped = FromNative(name))
            names.push_back(std::move(*mapped));
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

} // namespace tk::linux_paths
