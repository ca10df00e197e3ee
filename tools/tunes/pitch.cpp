#include "tools/tunes/pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace tarvisk::tunes {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Region {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
};

// The steady part of the note: past the attack, before the tail fades.
std::optional<Region> SteadyRegion(std::span<const float> x, double rate)
{
    const std::size_t block = std::max<std::size_t>(1, static_cast<std::size_t>(rate / 100.0));
    std::vector<double> rms;
    for (std::size_t i = 0; i + block <= x.size(); i += block) {
        double sum = 0.0;
        for (std::size_t j = i; j < i + block; ++j)
            sum += static_cast<double>(x[j]) * x[j];
        rms.push_back(std::sqrt(sum / static_cast<double>(block)));
    }
    if (rms.empty())
        return std::nullopt;
    const double loudest = *std::max_element(rms.begin(), rms.end());
    if (loudest < 1e-5)
        return std::nullopt;
    std::size_t first = 0;
    while (rms[first] < 0.5 * loudest)
        ++first;
    std::size_t last = rms.size() - 1;
    while (rms[last] < 0.05 * loudest)
        --last;
    Region region;
    region.begin = std::min(first + 2, last) * block;
    region.end = (last + 1) * block;
    return region;
}

// Period in samples from the cumulative mean normalised difference (YIN).
std::optional<double> CoarsePeriod(std::span<const float> x, Region region, double rate, PitchRange range)
{
    const auto tau_min = std::max<std::size_t>(2, static_cast<std::size_t>(rate / range.max_hz));
    const auto tau_max = static_cast<std::size_t>(std::ceil(rate / range.min_hz)) + 1;
    if (region.size() < 2 * tau_max + 2)
        return std::nullopt;
    const std::size_t window =
        std::min<std::size_t>(region.size() - tau_max - 1, static_cast<std::size_t>(2.5 * tau_max));
    std::vector<double> d(tau_max + 1, 0.0);
    const float* base = x.data() + region.begin;
    for (std::size_t tau = 1; tau <= tau_max; ++tau) {
        double sum = 0.0;
        for (std::size_t i = 0; i < window; ++i) {
            const double diff = static_cast<double>(base[i]) - base[i + tau];
            sum += diff * diff;
        }
        d[tau] = sum;
    }
    std::vector<double> cmnd(tau_max + 1, 1.0);
    double running = 0.0;
    for (std::size_t tau = 1; tau <= tau_max; ++tau) {
        running += d[tau];
        cmnd[tau] = running > 0.0 ? d[tau] * static_cast<double>(tau) / running : 1.0;
    }
    std::size_t best = 0;
    for (std::size_t tau = tau_min; tau < tau_max; ++tau) {
        if (cmnd[tau] < 0.15) {
            while (tau + 1 < tau_max && cmnd[tau + 1] < cmnd[tau])
                ++tau;
            best = tau;
            break;
        }
    }
    if (best == 0) {
        best = tau_min;
        for (std::size_t tau = tau_min; tau < tau_max; ++tau)
            if (cmnd[tau] < cmnd[best])
                best = tau;
        if (cmnd[best] > 0.35)
            return std::nullopt;
    }
    double period = static_cast<double>(best);
    if (best > tau_min && best + 1 <= tau_max) {
        const double a = cmnd[best - 1];
        const double b = cmnd[best];
        const double c = cmnd[best + 1];
        const double denom = a - 2.0 * b + c;
        if (denom > 0.0)
            period += 0.5 * (a - c) / denom;
    }
    return period;
}

// The windowed component of x at `hz` over [start, start + length).
std::complex<double> Component(std::span<const float> x, std::size_t start, std::size_t length, double hz,
                               double rate)
{
    const std::complex<double> step = std::polar(1.0, -kTwoPi * hz / rate);
    std::complex<double> rotor = 1.0;
    std::complex<double> sum = 0.0;
    const double n = static_cast<double>(length - 1);
    for (std::size_t i = 0; i < length; ++i) {
        // 4-term Blackman-Harris: neighbours a fundamental away stay out.
        const double p = kTwoPi * static_cast<double>(i) / n;
        const double w =
            0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2 * p) - 0.01168 * std::cos(3 * p);
        sum += w * static_cast<double>(x[start + i]) * rotor;
        rotor *= step;
        if ((i & 1023) == 1023)
            rotor /= std::abs(rotor);
    }
    return sum;
}

double Wrap(double phase) { return phase - kTwoPi * std::round(phase / kTwoPi); }

} // namespace

std::optional<double> MeasurePitch(std::span<const float> mono, double rate, PitchRange range)
{
    if (rate <= 0.0)
        return std::nullopt;
    const auto region = SteadyRegion(mono, rate);
    if (!region)
        return std::nullopt;
    const auto period = CoarsePeriod(mono, *region, rate, range);
    if (!period)
        return std::nullopt;
    const double coarse = rate / *period;
    if (coarse < range.min_hz * 0.97 || coarse > range.max_hz * 1.03)
        return std::nullopt;

    const auto length = static_cast<std::size_t>(std::lround(8.0 * *period));
    if (region->size() < length + static_cast<std::size_t>(*period))
        return coarse;
    const std::size_t span = region->size() - length;

    // Follow the fundamental unless a low harmonic carries far more energy.
    int harmonic = 1;
    double strongest = 0.0;
    double fundamental = 0.0;
    for (int h = 1; h <= 4 && h * coarse < rate / 2; ++h) {
        const double level = std::abs(Component(mono, region->begin, length, h * coarse, rate));
        if (h == 1)
            fundamental = level;
        if (level > strongest) {
            strongest = level;
            harmonic = h;
        }
    }
    if (fundamental >= 0.1 * strongest)
        harmonic = 1;

    double hz = harmonic * coarse;
    auto distance = static_cast<std::size_t>(2.0 * *period);
    for (;;) {
        distance = std::min(distance, span);
        const auto a = Component(mono, region->begin, length, hz, rate);
        const auto b = Component(mono, region->begin + distance, length, hz, rate);
        const double expected = kTwoPi * hz * static_cast<double>(distance) / rate;
        const double slip = Wrap(std::arg(b) - std::arg(a) - expected);
        hz += slip * rate / (kTwoPi * static_cast<double>(distance));
        if (distance == span)
            break;
        distance *= 4;
    }
    return hz / harmonic;
}

} // namespace tarvisk::tunes
