#include "startup/app_modul.h"

#include "startup/commands.h"
#include "toolkit/error.h"
#include "window/tuner.h"

namespace tarvisk {

using tk::ResumeNext;

Program::Program(tk::Platform& p) : platform(p) {}
Program::~Program() = default;

Tuner& Program::TunerWindow()
{
    if (!tuner)
        tuner = std::make_unique<Tuner>(platform, g);
    return *tuner;
}

void Main(Program& program)
{
    Globals& g = program.g;
    tk::Process& process = program.platform.process;
    if (process.AnotherInstanceRunning())
        process.EndAtOnce();

    InitEnvironment(g, process);
    InitAppPaths(g);

    Tuner* tuner = nullptr;
    ResumeNext([&] { tuner = &program.TunerWindow(); });
    if (!tuner)
        return;
    // The first touch of a control loads the window: it is on screen, and the
    // chord sounding, before the set list is filled.
    ResumeNext([&] { tuner->SoundsDir().SetPath(g.TunesDir); });
    ResumeNext([&] { tuner->SoundsDir().Refresh(); });
    std::int16_t count = 0;
    ResumeNext([&] { count = tuner->SoundsDir().ListCount(); });
    if (count != 0) {
        ResumeNext([&] {
            const std::int16_t last = static_cast<std::int16_t>(tuner->SoundsDir().ListCount() - 1);
            for (int i = 0; i <= last; ++i)
                ResumeNext([&] { tuner->cboSound().AddItem(FileNameOf(tuner->SoundsDir().List(i))); });
        });
        ResumeNext([&] { tuner->cboSound().SetListIndex(0); });
        ResumeNext([&] { g.SoundSet = FileNameOf(tuner->cboSound().List(0)) + "\\"; });
    }
    ResumeNext([&] { tuner->Form().Show(); });
}

} // namespace tarvisk
