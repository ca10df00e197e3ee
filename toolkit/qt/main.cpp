// The Linux program: Qt windows, the Linux sound output, and the program's own Main.

#include "startup/app_modul.h"
#include "toolkit/linux_sound/player.h"
#include "toolkit/qt/qt_platform.h"

#include <malloc.h>
#include <string_view>

// --verbose has the sound output say what it opened; other arguments are ignored.
int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--verbose")
            tk::linux_sound::SetVerbose(true);
    tk::qt::PrepareEnvironment();
    // Large blocks, decoded notes among them, get pages of their own that go
    // back when freed: glibc would raise this bound at the first such free
    // and keep the later notes' freed memory in its heaps.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    tk::qt::QtPlatform qt(argc > 0 ? argv[0] : nullptr, TARVISK_APP_ID);
    tk::linux_sound::Player sound;
    tk::Platform platform{qt, qt.screen, qt, sound, qt};
    tarvisk::Program program(platform);
    tarvisk::Main(program);
    return qt.Run();
}
