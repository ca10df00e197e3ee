#include "tools/tunes/track.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tarvisk::tunes {

namespace {

// The curve through d at the minimum's lag and three either side: between
// the lags, d of a guitar's partials is smooth enough for it to place the
// minimum to a thousandth of a sample, where a parabola through three is
// off by a hundredth.
constexpr int kReach = 3;
constexpr int kPoints = 2 * kReach + 1;

// A window whose best lag still leaves this much of its energy unmatched
// holds no clear period (YIN's threshold, on its own scale).
constexpr double kClearPeriod = 0.2;

// Turns the values at lags -3..3 into the coefficients of the polynomial
// through them: the inverse of the Vandermonde matrix, made once.
class Interpolant {
public:
    Interpolant()
    {
        std::array<std::array<double, 2 * kPoints>, kPoints> m{};
        for (int r = 0; r < kPoints; ++r) {
            for (int c = 0; c < kPoints; ++c)
                m[r][c] = std::pow(static_cast<double>(r - kReach), c);
            m[r][kPoints + r] = 1.0;
        }
        for (int c = 0; c < kPoints; ++c) {
            int pivot = c;
            for (int r = c + 1; r < kPoints; ++r)
                if (std::abs(m[r][c]) > std::abs(m[pivot][c]))
                    pivot = r;
            std::swap(m[c], m[pivot]);
            const double scale = m[c][c];
            for (double& v : m[c])
                v /= scale;
            for (int r = 0; r < kPoints; ++r) {
                if (r == c)
                    continue;
                const double f = m[r][c];
                for (int k = 0; k < 2 * kPoints; ++k)
                    m[r][k] -= f * m[c][k];
            }
        }
        for (int r = 0; r < kPoints; ++r)
            for (int c = 0; c < kPoints; ++c)
                inverse_[r][c] = m[r][kPoints + c];
    }

    // The offset from the middle lag, within one lag, where the curve
    // through `d` is lowest.
    double Minimum(const std::array<double, kPoints>& d) const
    {
        std::array<double, kPoints> a{};
        for (int j = 0; j < kPoints; ++j)
            for (int k = 0; k < kPoints; ++k)
                a[j] += inverse_[j][k] * d[k];
        const double left = d[kReach - 1];
        const double mid = d[kReach];
        const double right = d[kReach + 1];
        const double bend = left - 2.0 * mid + right;
        double t = bend > 0.0 ? 0.5 * (left - right) / bend : 0.0;
        for (int step = 0; step < 8; ++step) {
            double slope = 0.0;
            double curve = 0.0;
            for (int j = kPoints - 1; j >= 1; --j)
                slope = slope * t + j * a[j];
            for (int j = kPoints - 1; j >= 2; --j)
                curve = curve * t + j * (j - 1) * a[j];
            if (!(curve > 0.0))
                break;
            t = std::clamp(t - slope / curve, -1.0, 1.0);
        }
        return t;
    }

private:
    std::array<std::array<double, kPoints>, kPoints> inverse_{};
};

// (a[i] - b[i])^2 for each i of `out`.
void SquaredDifferences(const float* a, const float* b, std::vector<double>& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double diff = static_cast<double>(a[i]) - b[i];
        out[i] = diff * diff;
    }
}

double Cents(double hz, double target) { return 1200.0 * std::log2(hz / target); }

// A block's sum, and its sums against the cosine and sine of the taper's
// angle at each sample.
struct Sums {
    double plain = 0.0;
    double by_cos = 0.0;
    double by_sin = 0.0;
    void Add(const Sums& other)
    {
        plain += other.plain;
        by_cos += other.by_cos;
        by_sin += other.by_sin;
    }
    // The sum under the taper of a window starting `at` samples in, for a
    // taper whose angle turns by `turn` a sample.
    double Tapered(double at, double turn) const
    {
        return 0.5 * plain - 0.5 * (std::cos(turn * at) * by_cos + std::sin(turn * at) * by_sin);
    }
};

} // namespace

std::vector<TrackPoint> TrackPitch(std::span<const float> x, double rate, double hz, TrackWindows windows,
                                   double from, double search_cents)
{
    static const Interpolant interpolant;
    std::vector<TrackPoint> track;
    if (!(rate > 0.0) || !(hz > 0.0) || from < 0.0)
        return track;
    const auto hop = std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(windows.hop * rate)));
    const auto blocks_per_window =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(windows.seconds / windows.hop)));
    const double period = rate / hz;
    const double reach = std::exp2(search_cents / 1200.0);
    const auto lo = static_cast<std::size_t>(std::max(2.0, std::floor(period / reach)));
    const auto hi = static_cast<std::size_t>(std::ceil(period * reach));
    const std::size_t first_lag = lo > kReach + 1 ? lo - kReach : 1;
    const std::size_t last_lag = hi + kReach;
    const std::size_t lags = last_lag - first_lag + 1;
    const auto start = static_cast<std::size_t>(std::lround(from * rate));
    if (start + last_lag >= x.size())
        return track;
    const std::size_t blocks = (x.size() - start - last_lag) / hop;
    if (blocks < blocks_per_window)
        return track;

    // Each hop's share of d at every lag, and of the energy, summed once:
    // overlapping windows add up the blocks they cover. The window is a
    // Hann taper, 1/2 - 1/2 cos(2 pi (i + 1/2) / length): with a window cut
    // square, d also moves with where in the period the window starts and
    // ends, by as much as 0.4 cent from one window to the next at E2 when
    // the partials are not quite harmonic, as a real string's are. A block
    // keeps its plain sum and its sums against the cosine and sine of
    // where each sample is; a window's taper is then a turn of those.
    const std::size_t length = blocks_per_window * hop;
    const double turn = 2.0 * std::numbers::pi / static_cast<double>(length);
    std::vector<double> cosine(blocks * hop);
    std::vector<double> sine(blocks * hop);
    for (std::size_t p = 0; p < blocks * hop; ++p) {
        cosine[p] = std::cos(turn * (static_cast<double>(p) + 0.5));
        sine[p] = std::sin(turn * (static_cast<double>(p) + 0.5));
    }
    std::vector<Sums> d(blocks * lags);
    std::vector<Sums> energy(blocks);
    std::vector<double> squares(hop);
    for (std::size_t b = 0; b < blocks; ++b) {
        const float* base = x.data() + start + b * hop;
        const double* c = cosine.data() + b * hop;
        const double* s = sine.data() + b * hop;
        const auto add = [&](Sums& sums) {
            for (std::size_t i = 0; i < hop; ++i) {
                sums.plain += squares[i];
                sums.by_cos += squares[i] * c[i];
                sums.by_sin += squares[i] * s[i];
            }
        };
        for (std::size_t i = 0; i < hop; ++i)
            squares[i] = static_cast<double>(base[i]) * base[i];
        add(energy[b]);
        for (std::size_t l = 0; l < lags; ++l) {
            SquaredDifferences(base, base + first_lag + l, squares);
            add(d[b * lags + l]);
        }
    }

    std::vector<double> window_d(lags);
    std::vector<Sums> window(lags);
    for (std::size_t w = 0; w + blocks_per_window <= blocks; ++w) {
        const auto at = static_cast<double>(w * hop);
        Sums sum;
        std::fill(window.begin(), window.end(), Sums{});
        for (std::size_t b = w; b < w + blocks_per_window; ++b) {
            for (std::size_t l = 0; l < lags; ++l)
                window[l].Add(d[b * lags + l]);
            sum.Add(energy[b]);
        }
        for (std::size_t l = 0; l < lags; ++l)
            window_d[l] = window[l].Tapered(at, turn);
        const double e = sum.Tapered(at, turn);
        TrackPoint point;
        point.seconds = (static_cast<double>(start + w * hop) + 0.5 * static_cast<double>(length)) / rate;
        point.rms = std::sqrt(2.0 * e / static_cast<double>(length)); // the taper's mean is a half
        std::size_t best = lo - first_lag;
        for (std::size_t l = lo - first_lag; l <= hi - first_lag; ++l)
            if (window_d[l] < window_d[best])
                best = l;
        double best_lagged = 0.0;
        const float* lagged = x.data() + start + w * hop + first_lag + best;
        for (std::size_t i = 0; i < length; ++i)
            best_lagged += static_cast<double>(lagged[i]) * lagged[i] * (0.5 - 0.5 * cosine[i]);
        const bool inside = best > lo - first_lag && best < hi - first_lag;
        if (inside && e > 0.0 && window_d[best] <= kClearPeriod * (e + best_lagged)) {
            std::array<double, kPoints> around{};
            for (int k = 0; k < kPoints; ++k)
                around[static_cast<std::size_t>(k)] = window_d[best + static_cast<std::size_t>(k) - kReach];
            const double lag = static_cast<double>(first_lag + best) + interpolant.Minimum(around);
            point.hz = rate / lag;
        }
        track.push_back(point);
    }
    return track;
}

std::size_t Onset(std::span<const float> x)
{
    float peak = 0.0f;
    for (const float v : x)
        peak = std::max(peak, std::abs(v));
    std::size_t onset = 0;
    while (onset < x.size() && std::abs(x[onset]) < 0.25f * peak)
        ++onset;
    return onset;
}

std::optional<TrackSummary> SummarizeTrack(std::span<const float> x, double rate, double hz)
{
    const std::size_t onset = Onset(x);
    if (onset >= x.size())
        return std::nullopt;
    const auto track = TrackPitch(x, rate, hz, kTunerWindows, static_cast<double>(onset) / rate);
    double loudest = 0.0;
    for (const TrackPoint& point : track)
        loudest = std::max(loudest, point.rms);
    const auto skip = static_cast<std::size_t>(std::lround(kTrackAfterOnset / kTunerWindows.hop));
    std::vector<double> cents;
    TrackSummary summary;
    for (std::size_t w = skip; w < track.size() && track[w].rms >= kTrackFadedBelow * loudest; ++w) {
        if (track[w].hz <= 0.0)
            return std::nullopt;
        cents.push_back(Cents(track[w].hz, hz));
        if (std::abs(cents.back()) > std::abs(summary.worst_cents)) {
            summary.worst_cents = cents.back();
            summary.worst_seconds = track[w].seconds;
        }
    }
    if (cents.empty())
        return std::nullopt;
    std::sort(cents.begin(), cents.end());
    const std::size_t n = cents.size();
    summary.median_cents = n % 2 ? cents[n / 2] : 0.5 * (cents[n / 2 - 1] + cents[n / 2]);
    summary.windows = n;
    return summary;
}

} // namespace tarvisk::tunes
