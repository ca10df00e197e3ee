#pragma once
// A note's pitch through time, as a clip-on tuner follows it: YIN's
// difference function d(lag) = sum w[i] (x[i] - x[i + lag])^2 over each
// window, w a Hann taper, its minimum looked for within a semitone of the
// note's period and placed between the lags by the curve through the seven
// nearest.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace tarvisk::tunes {

struct TrackWindows {
    double seconds = 0.1; // each window's length
    double hop = 0.05;    // from one window's start to the next
};

// What `check` reads, and what "at pitch" means for a note: 100 ms windows
// every 50 ms, from 0.1 s after the pick until the note has faded below a
// hundredth of its loudest window.
inline constexpr TrackWindows kTunerWindows{0.1, 0.05};
inline constexpr double kTrackAfterOnset = 0.1;
inline constexpr double kTrackFadedBelow = 0.01;

// The bounds `check` holds a default set's note to, in cents: no window
// further off, and the median of the windows no further.
inline constexpr double kWorstWindowCents = 0.5;
inline constexpr double kMedianCents = 0.1;

struct TrackPoint {
    double seconds = 0.0; // the window's centre
    double hz = 0.0;      // 0 where the window holds no clear period
    double rms = 0.0;
};

// One point per window from `from` seconds on, as long as a window and its
// lag fit in `x`. The period is looked for within `search_cents` of `hz`.
std::vector<TrackPoint> TrackPitch(std::span<const float> x, double rate, double hz, TrackWindows windows,
                                   double from = 0.0, double search_cents = 100.0);

// Where a note starts: its first sample at a quarter of its peak.
std::size_t Onset(std::span<const float> x);

// A note's track against `hz`, over the part that `check` judges.
struct TrackSummary {
    double median_cents = 0.0;
    double worst_cents = 0.0; // the window furthest off, with its sign
    double worst_seconds = 0.0;
    std::size_t windows = 0;
};

// Empty when the note is silent, too short for a window, or a window there
// holds no clear period.
std::optional<TrackSummary> SummarizeTrack(std::span<const float> x, double rate, double hz);

} // namespace tarvisk::tunes
