#pragma once
// Fontconfig reads every configuration file of the system before the first
// text can be laid out: a fifth of the work before the window's first paint.
// A thread of its own reads them while the display connection and the
// artwork are made, and the first control with text waits for it.

#include <thread>

namespace tk::qt {

class FontWarmup {
public:
    FontWarmup() = default;
    ~FontWarmup() { Wait(); }
    FontWarmup(const FontWarmup&) = delete;
    FontWarmup& operator=(const FontWarmup&) = delete;

    // Once, after the process environment is final: fontconfig reads it.
    void Start();
    void Wait();

private:
    std::thread thread_;
    bool started_ = false;
};

} // namespace tk::qt
