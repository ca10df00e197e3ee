#include "tools/tunes/synth.h"

#include <cmath>
#include <numbers>

namespace tarvisk::tunes {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

} // namespace

WholeCycles FitWholeCycles(double hz, int rate, double min_seconds, double max_seconds)
{
    WholeCycles best;
    double best_error = 1e9;
    const auto first = static_cast<std::size_t>(min_seconds * rate);
    const auto last = static_cast<std::size_t>(max_seconds * rate);
    for (std::size_t frames = first; frames <= last; ++frames) {
        const double exact = static_cast<double>(frames) * hz / rate;
        const auto cycles = static_cast<std::size_t>(std::llround(exact));
        if (cycles == 0)
            continue;
        const double error = std::abs(std::log2(static_cast<double>(cycles) / exact));
        if (error < best_error) {
            best_error = error;
            best = {frames, cycles};
        }
    }
    return best;
}

std::vector<float> PureTone(double hz, int rate)
{
    const WholeCycles fit = FitWholeCycles(hz, rate, 2.0, 4.0);
    std::vector<float> x(fit.frames);
    for (std::size_t i = 0; i < fit.frames; ++i) {
        // Phase from integers: the last sample leads exactly into the first.
        const std::size_t step = (i * fit.cycles) % fit.frames;
        x[i] = static_cast<float>(
            0.5 * std::sin(kTwoPi * static_cast<double>(step) / static_cast<double>(fit.frames)));
    }
    return x;
}

std::vector<float> ResetSound(int rate)
{
    return std::vector<float>(static_cast<std::size_t>(0.05 * rate), 0.0f);
}

} // namespace tarvisk::tunes
