#include "tools/tunes/synth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>

namespace tarvisk::tunes {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Partial {
    double hz;
    double amplitude;
    double decay_seconds;
};

// Sums exponentially decaying sines with recursive oscillators; each starts
// at phase zero so the note starts from silence.
void AddPartials(std::vector<double>& out, std::size_t offset, const std::vector<Partial>& partials, int rate)
{
    for (const Partial& p : partials) {
        const std::complex<double> step =
            std::polar(std::exp(-1.0 / (p.decay_seconds * rate)), kTwoPi * p.hz / rate);
        std::complex<double> z(p.amplitude, 0.0); // imag part traces a sine
        for (std::size_t i = offset; i < out.size(); ++i) {
            out[i] += z.imag();
            z *= step;
            if (std::abs(z) < 1e-7 * p.amplitude)
                break;
        }
    }
}

void Normalise(std::vector<double>& x, double peak)
{
    double loudest = 0.0;
    for (double v : x)
        loudest = std::max(loudest, std::abs(v));
    if (loudest > 0.0)
        for (double& v : x)
            v *= peak / loudest;
}

// A half-cosine fade to exact silence at the end.
void FadeOut(std::vector<double>& x, double seconds, int rate)
{
    const auto n = std::min(x.size(), static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < n; ++i) {
        const double g =
            0.5 * (1.0 + std::cos(std::numbers::pi * static_cast<double>(i + 1) / static_cast<double>(n)));
        x[x.size() - n + i] *= g;
    }
}

std::vector<Partial> AcousticPartials(double hz, int rate)
{
    // Stiff steel strings: upper partials run slightly sharp; the first
    // stays exactly on pitch.
    constexpr double kStiffness = 1.2e-4;
    const double tau1 = 2.8 * std::sqrt(82.41 / hz);
    std::vector<Partial> partials;
    for (int n = 1; n <= 48; ++n) {
        const double f = n * hz * std::sqrt((1.0 + kStiffness * n * n) / (1.0 + kStiffness));
        if (f > 0.45 * rate)
            break;
        const double pluck = std::abs(std::sin(n * std::numbers::pi * 0.17)) / std::pow(n, 1.1);
        const double body = 1.0 / (1.0 + (f / 4000.0) * (f / 4000.0));
        const double tau = tau1 / (1.0 + 0.35 * (n - 1) + 2.0 * (f / 3000.0) * (f / 3000.0));
        partials.push_back({f, pluck * body, tau});
    }
    return partials;
}

std::vector<Partial> ElectricPartials(double hz, int rate)
{
    // Exactly harmonic, so the amplifier's drive adds no beating near the
    // fundamental; the pickup near the bridge thins the low harmonics.
    const double tau1 = 4.5 * std::pow(82.41 / hz, 0.3);
    std::vector<Partial> partials;
    for (int n = 1; n <= 40; ++n) {
        const double f = n * hz;
        if (f > 0.45 * rate)
            break;
        const double pluck = std::abs(std::sin(n * std::numbers::pi * 0.22)) / n;
        const double pickup = 0.3 + std::abs(std::sin(n * std::numbers::pi * 0.12));
        const double tau = tau1 / (1.0 + 0.15 * (n - 1) + (f / 2500.0) * (f / 2500.0));
        partials.push_back({f, pluck * pickup, tau});
    }
    return partials;
}

// The first milliseconds: a soft onset plus a little pick noise.
void Attack(std::vector<double>& x, std::size_t offset, int rate, double level)
{
    std::uint32_t seed = 0x2545F491u;
    double low = 0.0;
    for (std::size_t i = offset; i < x.size(); ++i) {
        const double t = static_cast<double>(i - offset) / rate;
        if (t > 0.05)
            break;
        x[i] *= 1.0 - std::exp(-t / 0.0015);
        seed = seed * 1664525u + 1013904223u;
        const double white = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        low += 0.25 * (white - low);
        x[i] += level * 0.04 * low * (1.0 - std::exp(-t / 0.0005)) * std::exp(-t / 0.006);
    }
}

std::vector<float> ToFloat(const std::vector<double>& x) { return std::vector<float>(x.begin(), x.end()); }

void Pluck(std::vector<double>& out, std::size_t offset, double hz, Voice voice, int rate)
{
    std::vector<double> note(out.size() - offset, 0.0);
    AddPartials(note, 0, voice == Voice::Acoustic ? AcousticPartials(hz, rate) : ElectricPartials(hz, rate),
                rate);
    Normalise(note, 1.0);
    if (voice == Voice::Electric) {
        // The amplifier: a soft overdrive, then the cabinet's top-end roll-off.
        const double drive = 2.0;
        for (double& v : note)
            v = std::tanh(drive * v) / std::tanh(drive);
        const double k = 1.0 - std::exp(-kTwoPi * 4500.0 / rate);
        double state = 0.0;
        for (double& v : note) {
            state += k * (v - state);
            v = state;
        }
    }
    Attack(note, 0, rate, 1.0);
    for (std::size_t i = 0; i < note.size(); ++i)
        out[offset + i] += note[i];
}

} // namespace

std::vector<float> PluckedNote(double hz, Voice voice, int rate, double seconds)
{
    std::vector<double> x(static_cast<std::size_t>(seconds * rate), 0.0);
    Pluck(x, 0, hz, voice, rate);
    FadeOut(x, 0.3, rate);
    Normalise(x, 0.6);
    return ToFloat(x);
}

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

std::vector<float> Strum(const std::array<double, 6>& hz_lowest_first, int rate)
{
    std::vector<double> x(static_cast<std::size_t>(5.0 * rate), 0.0);
    for (std::size_t s = 0; s < hz_lowest_first.size(); ++s)
        Pluck(x, static_cast<std::size_t>(0.045 * static_cast<double>(s) * rate), hz_lowest_first[s],
              Voice::Acoustic, rate);
    FadeOut(x, 0.5, rate);
    Normalise(x, 0.6);
    return ToFloat(x);
}

std::vector<float> ResetSound(int rate)
{
    return std::vector<float>(static_cast<std::size_t>(0.05 * rate), 0.0f);
}

} // namespace tarvisk::tunes
