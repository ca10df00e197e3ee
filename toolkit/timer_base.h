#pragma once
// What every backend's timer shares: its two properties, checked, and the
// rule that it runs while enabled with a non-zero interval.

#include "toolkit/controls.h"
#include "toolkit/form_design.h"

namespace tk {

class TimerBase : public Timer {
public:
    explicit TimerBase(const ControlDesign& design) : enabled_(design.enabled), interval_(design.interval_ms)
    {
    }

    bool Enabled() const final { return enabled_; }
    void SetEnabled(bool enabled) final;
    int Interval() const final { return interval_; }
    void SetInterval(int ms) final;

protected:
    bool Running() const { return enabled_ && interval_ > 0; }
    // Starts the platform's timer afresh while Running(), stops it otherwise.
    virtual void Apply() = 0;

private:
    bool enabled_;
    int interval_;
};

} // namespace tk
