#include "tools/tunes/flatten.h"

#include "tools/tunes/loudness.h"
#include "tools/tunes/synth.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace tarvisk::tunes {

namespace {

// First the recording itself is followed, in windows short enough for the
// glide after the pick and long enough for three periods of a low D.
constexpr TrackWindows kGlideWindows{0.04, 0.01};
// Then the finished note, in the tuner's own windows at a finer hop, until
// they read it flat, whatever the fade and the partials' decay make them
// read.
constexpr TrackWindows kHoldWindows{kTunerWindows.seconds, 0.01};
// The recording's period is looked for this far from the note: a recording
// of one's own may be a semitone off and glide further; once on the note,
// only this close.
constexpr double kFarCents = 150.0;
constexpr double kNearCents = 30.0;
// Windows quieter than this against the loudest are not followed: the curve
// holds its last value into the fade's end.
constexpr double kFollowedDown = 0.005;
// Settled when the tuner's windows, each spread over its length, read no
// further off than this.
constexpr double kSettledCents = 0.03;
constexpr int kMaxPasses = 3; // resamplings at most
// The curve's points, on the recording's time.
constexpr double kCurveStep = 0.005;
// The fade falls by e^-4 (35 dB) over its length, then to silence.
constexpr double kFadeSteps = 4.0;
// Output frames between settings of the ratio, which libsamplerate moves
// along straight in between.
constexpr std::size_t kRatioBlock = 64;

double Cents(double hz, double target) { return 1200.0 * std::log2(hz / target); }

std::string Fixed(double value, const char* format)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

struct Resampled {
    std::vector<float> samples;
    std::vector<double> input_seconds; // where each block of kRatioBlock frames starts reading
    double InputAt(double output_seconds) const
    {
        if (input_seconds.empty())
            return 0.0;
        const double at = output_seconds * kRate / static_cast<double>(kRatioBlock);
        const auto i =
            static_cast<std::size_t>(std::clamp(at, 0.0, static_cast<double>(input_seconds.size() - 1)));
        if (i + 1 >= input_seconds.size())
            return input_seconds.back();
        const double f = at - static_cast<double>(i);
        return input_seconds[i] + f * (input_seconds[i + 1] - input_seconds[i]);
    }
};

// The whole recording is handed to libsamplerate at once; it reads on from
// where it is.
struct Feed {
    std::span<const float> x;
    bool given = false;
};

long FeedAll(void* data, float** samples)
{
    auto* feed = static_cast<Feed*>(data);
    if (feed->given)
        return 0;
    feed->given = true;
    // libsamplerate reads the input only; its interface is not const.
    *samples = const_cast<float*>(feed->x.data());
    return static_cast<long>(feed->x.size());
}

struct StateDeleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};

Resampled Resample(std::span<const float> x, double rate, const PitchCurve& curve, std::size_t frames)
{
    Resampled out;
    out.samples.assign(frames, 0.0f);
    if (x.empty())
        return out;
    Feed feed{x};
    int error = 0;
    // The fastest sinc converter keeps 97 dB of signal to noise up to 80 %
    // of the band (17.6 kHz), beyond what the 16-bit file holds of a guitar.
    const std::unique_ptr<SRC_STATE, StateDeleter> state(
        src_callback_new(FeedAll, SRC_SINC_FASTEST, 1, &error, &feed));
    if (!state)
        return out;
    double input = 0.0; // frames of `x` read so far
    double last_speed = 0.0;
    for (std::size_t at = 0; at < frames; at += kRatioBlock) {
        out.input_seconds.push_back(input / rate);
        // A sharp moment is read slower: more output frames per input frame.
        const double speed = rate / kRate * std::exp2(-curve.At(input / rate) / 1200.0);
        const std::size_t count = std::min(kRatioBlock, frames - at);
        const long got =
            src_callback_read(state.get(), 1.0 / speed, static_cast<long>(count), out.samples.data() + at);
        if (got < static_cast<long>(count))
            break;
        input += static_cast<double>(count) * 0.5 * (speed + (last_speed > 0.0 ? last_speed : speed));
        last_speed = speed;
    }
    out.input_seconds.push_back(input / rate);
    return out;
}

// The windows of `track` from `from` seconds on that hold a clear period
// and sound, as cents off `hz`.
PitchCurve Followed(const std::vector<TrackPoint>& track, double hz, double from)
{
    double loudest = 0.0;
    for (const TrackPoint& point : track)
        loudest = std::max(loudest, point.rms);
    PitchCurve curve;
    for (const TrackPoint& point : track) {
        if (point.seconds < from || point.hz <= 0.0 || point.rms < kFollowedDown * loudest)
            continue;
        curve.seconds.push_back(point.seconds);
        curve.cents.push_back(Cents(point.hz, hz));
    }
    return curve;
}

// What the tuner's windows read, each reading spread back over its window
// and put at the moments of the recording they heard: so what the windows
// cannot see (wiggles shorter than a window) is not piled up pass by pass.
// It fades in over one hop before the first window.
PitchCurve Spread(const PitchCurve& read, const Resampled& resampled)
{
    PitchCurve spread;
    const double half = 0.5 * kTunerWindows.seconds;
    for (std::size_t i = 0; i < read.seconds.size(); ++i) {
        double sum = 0.0;
        int count = 0;
        for (std::size_t j = 0; j < read.seconds.size(); ++j) {
            if (std::abs(read.seconds[j] - read.seconds[i]) <= half + 1e-9) {
                sum += read.cents[j];
                ++count;
            }
        }
        spread.seconds.push_back(resampled.InputAt(read.seconds[i]));
        spread.cents.push_back(sum / count);
    }
    if (!spread.seconds.empty()) {
        spread.seconds.insert(spread.seconds.begin(), spread.seconds.front() - kTunerWindows.hop);
        spread.cents.insert(spread.cents.begin(), 0.0);
    }
    return spread;
}

} // namespace

std::vector<float> FinishSound(std::span<const float> x, double seconds, double fade)
{
    std::vector<double> y(static_cast<std::size_t>(seconds * kRate), 0.0);
    std::copy_n(x.begin(), std::min(x.size(), y.size()), y.begin());
    // From exact silence at the first sample, over a half-cosine, so the
    // seam of a loop has no step.
    const std::size_t in = std::min(y.size(), static_cast<std::size_t>(0.001 * kRate));
    for (std::size_t i = 0; i < in; ++i)
        y[i] *= 0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(in)));
    // To exact silence at the last sample, dying away as a damped string
    // does, by a constant number of decibels a second until the very end: a
    // tuner's window misreads a sound whose loudness falls steeply, far less
    // one that falls evenly.
    const std::size_t out = std::min(y.size(), static_cast<std::size_t>(fade * kRate));
    const double floor = std::exp(-kFadeSteps);
    for (std::size_t i = 0; i < out; ++i) {
        const double t =
            static_cast<double>(out - i) / static_cast<double>(out); // 1 at the start, 0 at the end
        y[y.size() - out + i] *= (std::exp(-kFadeSteps * (1.0 - t)) - floor) / (1.0 - floor);
    }
    return ToLibraryLoudness(std::vector<float>(y.begin(), y.end()), kRate);
}

double PitchCurve::At(double at) const
{
    if (seconds.empty())
        return 0.0;
    const auto next = std::upper_bound(seconds.begin(), seconds.end(), at);
    if (next == seconds.begin())
        return cents.front();
    if (next == seconds.end())
        return cents.back();
    const auto i = static_cast<std::size_t>(next - seconds.begin());
    const double f = (at - seconds[i - 1]) / (seconds[i] - seconds[i - 1]);
    return cents[i - 1] + f * (cents[i] - cents[i - 1]);
}

std::vector<float> ResampleAlong(std::span<const float> x, double rate, const PitchCurve& curve,
                                 std::size_t frames)
{
    return Resample(x, rate, curve, frames).samples;
}

std::optional<FlatNote> FlattenNote(std::span<const float> recording, double rate, double hz, double seconds,
                                    std::string& error)
{
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    const std::string note = Fixed(hz, "%.3f Hz");
    // The recording as it is.
    const PitchCurve glide =
        Followed(TrackPitch(recording, rate, hz, kGlideWindows, 0.0, kFarCents), hz, 0.0);
    if (glide.seconds.empty()) {
        error = "no clear pitch near " + note;
        return std::nullopt;
    }
    FlatNote flat;
    const double length = static_cast<double>(recording.size()) / rate;
    for (double at = 0.0; at <= length; at += kCurveStep) {
        flat.curve.seconds.push_back(at);
        flat.curve.cents.push_back(glide.At(at));
    }
    // Then what the finished note still holds for the tuner's windows, from
    // a hop before the first it judges; before that, the glide's own
    // correction stays.
    for (int pass = 1;; ++pass) {
        const Resampled resampled = Resample(recording, rate, flat.curve, frames);
        flat.samples = FinishSound(resampled.samples, seconds, kNoteFade);
        if (pass == kMaxPasses)
            break;
        const double from = static_cast<double>(Onset(flat.samples)) / kRate + kTrackAfterOnset;
        const PitchCurve read =
            Followed(TrackPitch(flat.samples, kRate, hz, kHoldWindows, 0.0, kNearCents), hz, from);
        // Only the windows' smooth course can be taken out: from one window
        // to the next the reading also moves with where the window starts in
        // the period, as the partials of a real string drift apart.
        const PitchCurve left = Spread(read, resampled);
        double worst = 0.0;
        for (const double cents : left.cents)
            worst = std::max(worst, std::abs(cents));
        if (worst <= kSettledCents)
            break;
        for (std::size_t i = 0; i < flat.curve.seconds.size(); ++i)
            flat.curve.cents[i] += left.At(flat.curve.seconds[i]);
    }
    const auto track = SummarizeTrack(flat.samples, kRate, hz);
    if (!track) {
        error = "no clear pitch near " + note + " all through";
        return std::nullopt;
    }
    if (std::abs(track->worst_cents) > kWorstWindowCents || std::abs(track->median_cents) > kMedianCents) {
        error = "does not hold " + note + ": median " + Fixed(track->median_cents, "%+.3f") +
            " cents, worst " + Fixed(track->worst_cents, "%+.3f") + " cents at " +
            Fixed(track->worst_seconds, "%.2f s");
        return std::nullopt;
    }
    // One gain cannot bring a pick that stands this far above the rest of the
    // note to the library's loudness under the ceiling.
    const auto loudness = MeasureLoudness(flat.samples, kRate);
    if (!loudness || !AtLibraryLoudness(*loudness)) {
        if (!loudness || !std::isfinite(loudness->lufs)) {
            error = "too quiet to measure its loudness";
        } else {
            error = "its pick stands too far above the rest: at " + Fixed(kTargetLufs, "%.1f LUFS") +
                " it would peak at " +
                Fixed(loudness->true_peak_dbtp + kTargetLufs - loudness->lufs, "%+.1f dBTP") +
                ", over the ceiling of " + Fixed(kCeilingDbtp, "%.0f dBTP");
        }
        return std::nullopt;
    }
    return flat;
}

} // namespace tarvisk::tunes
