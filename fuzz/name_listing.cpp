// The listing's name filter and sort over any list of names (the input split
// at NUL bytes): no fault, an order that does not depend on the order the
// system gave, nor on the locale the program runs under.

#include "toolkit/linux/folder_listing.h"

#include <algorithm>
#include <clocale>
#include <locale.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Locale {
    std::string name;
    locale_t handle;
};
// Never destroyed: the handles stay reachable to the leak checker at exit.
std::vector<Locale>& g_locales = *new std::vector<Locale>;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // scripts/fuzz builds these into LOCPATH; single-byte ones fold case
    // differently from the C locale, Turkish differs even in UTF-8.
    // (newlocale() leaks glibc's copy of LOCPATH; setlocale() keeps it.)
    for (const char* name : {"tr_TR.UTF-8", "tr_TR.ISO-8859-9", "de_DE.ISO-8859-1", "en_US.UTF-8"})
        if (std::setlocale(LC_ALL, name) != nullptr)
            g_locales.push_back({name, duplocale(LC_GLOBAL_LOCALE)});
    std::setlocale(LC_ALL, "C");
    std::fprintf(stderr, "name_listing: comparing the C locale with %zu others\n", g_locales.size());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> names(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            names.emplace_back();
        else
            names.back() += static_cast<char>(data[i]);
    }
    const std::vector<std::string> listed = tk::linux_paths::ListedNames(names);
    for (const std::string& name : listed)
        if (name.empty() || name.front() == '.')
            std::abort();
    std::reverse(names.begin(), names.end());
    if (tk::linux_paths::ListedNames(names) != listed)
        std::abort();
    // This thread's locale is the one the <cctype> functions use.
    for (const Locale& locale : g_locales) {
        uselocale(locale.handle);
        const bool same = tk::linux_paths::ListedNames(names) == listed;
        uselocale(LC_GLOBAL_LOCALE);
        if (!same) {
            std::fprintf(stderr, "the order differs under %s\n", locale.name.c_str());
            std::abort();
        }
    }
    return 0;
}
