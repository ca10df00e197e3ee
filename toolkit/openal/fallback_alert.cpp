#include "toolkit/openal/fallback_alert.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tk::openal {

std::vector<std::int16_t> MakeFallbackAlert(int rate)
{
    const auto frames = static_cast<std::size_t>(kFallbackAlertSeconds * rate);
    const double attack = 0.003 * rate;
    const double release = 0.02 * rate;
    std::vector<std::int16_t> out(2 * frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double w = 2.0 * std::numbers::pi * kFallbackAlertHz * t;
        // Ramps at both ends keep the alert itself free of clicks.
        const double ramp =
            std::min({1.0, static_cast<double>(i) / attack, static_cast<double>(frames - i) / release});
        const double v = (std::sin(w) + 0.3 * std::sin(2.0 * w)) * std::exp(-t / 0.08) * ramp;
        const auto s = static_cast<std::int16_t>(std::lround(0.35 * 32767.0 * v));
        out[2 * i] = s;
        out[2 * i + 1] = s;
    }
    return out;
}

} // namespace tk::openal
