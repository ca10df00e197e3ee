#pragma once
// Records what the play-mode machine asks of the window, one line per action.

#include "window/play_modes.h"

#include <string>
#include <vector>

namespace tarvisk::testing {

class RecordingActions final : public PlayModeActions {
public:
    void Paint(int target, Canvas canvas) override
    {
        log.push_back(
            (target == kPicture2 ? std::string("Picture2") : "Picture1(" + std::to_string(target) + ")") +
            (canvas == Canvas::picAllOn ? " on" : " off"));
    }
    void PlayOnce(const std::string& path) override { log.push_back("once " + path); }
    void PlayLooped(const std::string& path) override { log.push_back("loop " + path); }
    void SetTimer(bool on) override { log.push_back(on ? "timer on" : "timer off"); }

    std::vector<std::string> log;
};

// The six paints of "clear all", index 0 first.
inline std::vector<std::string> ClearAll()
{
    std::vector<std::string> paints;
    for (int i = 0; i <= 5; ++i)
        paints.push_back("Picture1(" + std::to_string(i) + ") off");
    return paints;
}

} // namespace tarvisk::testing
