#include "toolkit/linux/executable_folder.h"

#include "toolkit/error.h"
#include "toolkit/linux/native_path.h"

#include <filesystem>
#include <system_error>

namespace tk::linux_paths {

std::string ExecutableFolder()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        throw Error("Path not found");
    std::string folder = exe.parent_path().string();
    if (folder.empty())
        throw Error("Path not found");
    auto mapped = FromNative(folder);
    if (!mapped)
        throw Error("Bad file name");
    return *mapped;
}

} // namespace tk::linux_paths
