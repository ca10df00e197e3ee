#pragma once
// The platform services the program reaches, gathered for the core. Each
// backend assembles one Platform from its own implementations.

#include "toolkit/form.h"
#include "toolkit/picture.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tk {

class Process {
public:
    virtual ~Process() = default;
    // True when this program already runs in the user's session.
    virtual bool AnotherInstanceRunning() = 0;
    // The executable's folder as a program path; "\" at its end only at a root.
    virtual std::string ExecutableFolder() = 0;
    // Ends the process on the spot; no unload event runs.
    [[noreturn]] virtual void EndAtOnce() = 0;
    // Handles every queued event, painting included, before returning.
    virtual void DoEvents() = 0;
};

class Screen {
public:
    virtual ~Screen() = default;
    // The whole screen, in twips.
    virtual float Width() const = 0;
    virtual float Height() const = 0;
};

class Gdi {
public:
    virtual ~Gdi() = default;
    // Block transfer between two retained images; non-zero on success.
    virtual int BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x, int src_y,
                       std::uint32_t rop) = 0;
};

// sndPlaySoundA's flags SND_ASYNC, SND_NODEFAULT and SND_LOOP.
inline constexpr unsigned kPlayAsync = 0x0001;
inline constexpr unsigned kPlayNoDefault = 0x0002;
inline constexpr unsigned kPlayLoop = 0x0008;

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts a WAV file playing and returns at once; every call ends what
    // sounds. A file that cannot be played sounds the default alert instead.
    virtual int sndPlaySoundA(const std::string& path, unsigned flags) = 0;
};

class Forms {
public:
    virtual ~Forms() = default;
    // Creates the window object; it loads on the first touch of a control.
    virtual std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events) = 0;
};

struct Platform {
    Process& process;
    Screen& screen;
    Gdi& gdi;
    SoundOutput& sound;
    Forms& forms;
};

} // namespace tk
