#pragma once

#include <string>

namespace tk::linux_paths {

// The folder of the running executable as a program path, links resolved:
// "\usr\lib\tarvisk" for /usr/lib/tarvisk/tarvisk, "\" at the root.
// Throws tk::Error when it cannot be found or mapped.
std::string ExecutableFolder();

} // namespace tk::linux_paths
