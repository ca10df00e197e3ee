#include "toolkit/timer_base.h"

#include "toolkit/error.h"

namespace tk {

void TimerBase::SetEnabled(bool enabled)
{
    // Switching a running timer on again starts its interval afresh.
    enabled_ = enabled;
    Apply();
}

void TimerBase::SetInterval(int ms)
{
    if (ms < 0 || ms > 65535)
        throw Error("Invalid property value");
    interval_ = ms;
    Apply();
}

} // namespace tk
