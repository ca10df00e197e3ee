#pragma once
// A window's events as text, in the order they came.

#include "toolkit/form.h"

#include <functional>
#include <string>
#include <vector>

namespace tk::conformance {

// Every event in order, as text.
struct Recorder final : FormEvents {
    void Load() override
    {
        log.push_back("Load");
        if (on_load)
            on_load();
    }
    void Unload(std::int16_t& cancel) override
    {
        log.push_back("Unload");
        cancel = cancel_with;
    }
    void MouseDown(ControlId id, std::int16_t index, std::int16_t button, std::int16_t shift, float x,
                   float y) override
    {
        log.push_back("MouseDown " + std::to_string(id) + " " + std::to_string(index) + " " +
                      std::to_string(button) + " " + std::to_string(shift) + " " +
                      std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
    }
    void Click(ControlId id) override
    {
        log.push_back("Click " + std::to_string(id) + (on_click ? " " + on_click() : ""));
    }
    void TimerFired(ControlId id) override { log.push_back("Timer " + std::to_string(id)); }

    std::vector<std::string> log;
    std::int16_t cancel_with = 0;
    std::function<void()> on_load;
    std::function<std::string()> on_click;
};

} // namespace tk::conformance
