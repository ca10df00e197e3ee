// The Windows program: the Win32 platform under the program's core.

#include "startup/app_modul.h"
#include "toolkit/win32/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    tk::win32::Win32Platform platform(instance);
    tarvisk::Program program(platform.Get());
    platform.Raise([&] { tarvisk::Main(program); });
    return platform.Run();
}
