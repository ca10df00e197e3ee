#include "tools/tunes/loudness.h"

#include "tools/tunes/wav_io.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace tarvisk::tunes {

namespace {

// The ceiling is aimed under by this much, so that rounding to 16 bits
// (at most -90 dBFS) cannot lift a note over it.
constexpr double kCeilingMargin = 0.01;
// The gain is found again at most this many times, and settles once it
// moves by less than this.
constexpr int kRounds = 4;
constexpr double kSettledDb = 0.005;

struct StateDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};

double Decibels(double ratio)
{
    return ratio > 0.0 ? 20.0 * std::log10(ratio) : -std::numeric_limits<double>::infinity();
}

} // namespace

std::optional<Loudness> MeasureLoudness(std::span<const float> mono, int rate)
{
    if (rate <= 0)
        return std::nullopt;
    const std::unique_ptr<ebur128_state, StateDeleter> state(
        ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    Loudness loudness;
    double peak = 0.0;
    if (!state || ebur128_add_frames_float(state.get(), mono.data(), mono.size()) != EBUR128_SUCCESS ||
        ebur128_loudness_global(state.get(), &loudness.lufs) != EBUR128_SUCCESS ||
        ebur128_true_peak(state.get(), 0, &peak) != EBUR128_SUCCESS)
        return std::nullopt;
    loudness.true_peak_dbtp = Decibels(peak);
    return loudness;
}

bool AtLibraryLoudness(const Loudness& loudness)
{
    return std::abs(loudness.lufs - kTargetLufs) <= kLoudnessToleranceLu &&
        loudness.true_peak_dbtp <= kCeilingDbtp;
}

std::vector<float> ToLibraryLoudness(std::span<const float> mono, int rate)
{
    // Quiet blocks that the meter's absolute gate (-70 LUFS) left out come
    // in as the gain lifts them, and go as it lowers them: so the gain is
    // measured again on what it made, until it settles.
    std::vector<float> scaled = AsWritten(mono);
    double db = 0.0;
    for (int round = 0; round < kRounds; ++round) {
        const auto loudness = MeasureLoudness(scaled, rate);
        if (!loudness || !std::isfinite(loudness->lufs))
            break;
        const double step =
            std::min(kTargetLufs - loudness->lufs, kCeilingDbtp - kCeilingMargin - loudness->true_peak_dbtp);
        if (std::abs(step) < kSettledDb)
            break;
        db += step;
        const double gain = std::pow(10.0, db / 20.0);
        std::transform(mono.begin(), mono.end(), scaled.begin(),
                       [gain](float v) { return static_cast<float>(gain * static_cast<double>(v)); });
        scaled = AsWritten(scaled);
    }
    return scaled;
}

} // namespace tarvisk::tunes
