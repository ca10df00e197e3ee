// The Linux program: Qt windows, OpenAL sound, and the program's own Main.

#include "startup/app_modul.h"
#include "toolkit/openal/sound_service.h"
#include "toolkit/qt/qt_platform.h"

// Any arguments are ignored.
int main(int argc, char** argv)
{
    tk::qt::PrepareEnvironment();
    tk::openal::SoundService::PrepareProcess();
    tk::qt::QtPlatform qt(argc > 0 ? argv[0] : nullptr, TARVISK_APP_ID);
    tk::openal::SoundService sound;
    tk::Platform platform{qt, qt.screen, qt, sound, qt};
    tarvisk::Program program(platform);
    tarvisk::Main(program);
    return qt.Run();
}
