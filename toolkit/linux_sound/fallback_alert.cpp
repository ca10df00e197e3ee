#include "toolkit/linux_sound/fallback_alert.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tk::linux_sound {

Pcm MakeFallbackAlert(int rate)
{
    const auto frames = static_cast<std::size_t>(kFallbackAlertSeconds * rate);
    const double attack = 0.003 * rate;
    const double release = 0.02 * rate;
    Pcm out{rate, 1, std::vector<std::int16_t>(frames)};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double w = 2.0 * std::numbers::pi * kFallbackAlertHz * t;
        // Ramps at both ends keep the alert itself free of clicks.
        const double ramp =
            std::min({1.0, static_cast<double>(i) / attack, static_cast<double>(frames - i) / release});
        const double v = (std::sin(w) + 0.3 * std::sin(2.0 * w)) * std::exp(-t / 0.08) * ramp;
        out.samples[i] = static_cast<std::int16_t>(std::lround(0.35 * 32767.0 * v));
    }
    return out;
}

} // namespace tk::linux_sound
