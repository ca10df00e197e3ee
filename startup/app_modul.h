#pragma once
// The program's entry point: one instance only, the paths, the window and
// the list of sound sets.

#include "startup/globals.h"
#include "toolkit/platform.h"

#include <memory>

namespace tarvisk {

class Tuner;

// Everything a run of the program holds: its platform, its program-wide
// values and its one window, which keeps itself alive while it is open.
struct Program {
    explicit Program(tk::Platform& p);
    ~Program();
    // The window object, created on first use, not yet loaded.
    Tuner& TunerWindow();

    tk::Platform& platform;
    Globals g;
    std::unique_ptr<Tuner> tuner;
};

void Main(Program& program);

} // namespace tarvisk
