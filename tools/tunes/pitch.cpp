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

// The part of a note a guitarist listens to: from 0.3 s after it starts
// (shorter sounds lose a quarter), past the pick and the first glide of a
// plucked string, until it has faded to a hundredth. Both ends move
// smoothly with the sound, so a note resampled a little is measured over
// nearly the same part: the start is found to the sample, and the end lies
// where so little sounds that a block more or less hardly counts.
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
    float peak = 0.0f;
    for (const float v : x)
        peak = std::max(peak, std::abs(v));
    std::size_t onset = 0;
    while (std::abs(x[onset]) < 0.25f * peak)
        ++onset;
    std::size_t last = rms.size() - 1;
    while (rms[last] < 0.01 * loudest)
        --last;
    const std::size_t end = (last + 1) * block;
    if (end <= onset)
        return std::nullopt;
    const std::size_t attack = std::clamp<std::size_t>((end - onset) / 4, 2 * block, 30 * block);
    Region region;
    region.begin = std::min(onset + attack, end);
    region.end = end;
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

// The windowed component of x at `hz` over [start, start + window.size()).
std::complex<double> Component(std::span<const float> x, std::size_t start, std::span<const double> window,
                               double hz, double rate)
{
    const std::complex<double> step = std::polar(1.0, -kTwoPi * hz / rate);
    std::complex<double> rotor = 1.0;
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < window.size(); ++i) {
        sum += window[i] * static_cast<double>(x[start + i]) * rotor;
        rotor *= step;
        if ((i & 1023) == 1023)
            rotor /= std::abs(rotor);
    }
    return sum;
}

// 4-term Blackman-Harris: partials a fundamental away stay out.
std::vector<double> BlackmanHarris(std::size_t length)
{
    std::vector<double> w(length);
    const double n = static_cast<double>(length - 1);
    for (std::size_t i = 0; i < length; ++i) {
        const double p = kTwoPi * static_cast<double>(i) / n;
        w[i] = 0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2 * p) - 0.01168 * std::cos(3 * p);
    }
    return w;
}

double Wrap(double phase) { return phase - kTwoPi * std::round(phase / kTwoPi); }

// YIN takes a low string whose fundamental and odd partials are faint for
// its second harmonic. Half that pitch is the note when its odd partials
// still sound: on the recorded guitars they come to a quarter or more of
// the even ones, while a tone that is what YIN took has a two-hundredth
// there at most, noise and leakage.
bool IsSecondHarmonic(std::span<const float> x, Region region, double hz, double rate)
{
    const auto length = static_cast<std::size_t>(std::lround(16.0 * rate / hz));
    if (region.size() < length)
        return false;
    const std::vector<double> window = BlackmanHarris(length);
    double odd = 0.0;
    double even = 0.0;
    // A few places across the note, as the partials rise and fall.
    for (std::size_t place = 0; place < 4; ++place) {
        const std::size_t at = region.begin + (region.size() - length) * place / 4;
        odd += std::abs(Component(x, at, window, hz / 2.0, rate)) +
            std::abs(Component(x, at, window, 1.5 * hz, rate));
        even += std::abs(Component(x, at, window, hz, rate)) + std::abs(Component(x, at, window, 2.0 * hz, rate));
    }
    return odd > 0.05 * even;
}

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
    double coarse = rate / *period;
    if (coarse < range.min_hz * 0.97 || coarse > range.max_hz * 1.03)
        return std::nullopt;
    if (coarse / 2.0 >= range.min_hz && IsSecondHarmonic(mono, *region, coarse, rate))
        coarse /= 2.0;

    const double samples_per_period = rate / coarse;
    const auto length = static_cast<std::size_t>(std::lround(8.0 * samples_per_period));
    const auto hop = static_cast<std::size_t>(std::lround(2.0 * samples_per_period));
    if (region->size() < length + hop)
        return coarse;
    const std::vector<double> window = BlackmanHarris(length);

    // A recorded string's pitch moves, its partials beat and its fundamental
    // can be faint, so no single phase is followed across the whole note:
    // each of the first partials is followed from window to window, two
    // periods apart, where its phase cannot slip a cycle, and every step
    // counts by its loudness. A partial at a beat's null thus hardly counts,
    // and the weakest partials least of all.
    double sum = 0.0;
    double weights = 0.0;
    for (int h = 1; h <= 4 && h * coarse < 0.45 * rate; ++h) {
        const double hz = h * coarse;
        const double expected = kTwoPi * hz * static_cast<double>(hop) / rate;
        auto previous = Component(mono, region->begin, window, hz, rate);
        for (std::size_t at = region->begin + hop; at + length <= region->end; at += hop) {
            const auto current = Component(mono, at, window, hz, rate);
            const double slip = Wrap(std::arg(current * std::conj(previous)) - expected);
            const double weight = std::sqrt(std::abs(current) * std::abs(previous));
            sum += weight * (hz + slip * rate / (kTwoPi * static_cast<double>(hop))) / h;
            weights += weight;
            previous = current;
        }
    }
    if (!(weights > 0.0))
        return coarse;
    return sum / weights;
}

std::optional<double> MeasureNote(std::span<const float> mono, double rate, double hz)
{
    return MeasurePitch(mono, rate, {hz / std::numbers::sqrt2, hz * std::numbers::sqrt2});
}

} // namespace tarvisk::tunes
