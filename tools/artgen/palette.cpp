#include "tools/artgen/palette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

namespace tarvisk::art {

namespace {

struct Entry {
    std::array<int, 3> c{};
    long count = 0;
};

// Green matters most to the eye, blue least.
constexpr std::array<long, 3> kWeight = {3, 4, 2};

long Distance(const std::array<int, 3>& a, const std::array<int, 3>& b)
{
    long d = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        const long v = a[k] - b[k];
        d += kWeight[k] * v * v;
    }
    return d;
}

std::array<int, 3> Channels(QRgb c) { return {qRed(c), qGreen(c), qBlue(c)}; }

struct Cut {
    std::size_t begin = 0, end = 0; // range of entries
    double error = 0;               // weighted spread, to pick the next box to split
    std::size_t axis = 0;
};

Cut Measure(const std::vector<Entry>& e, std::size_t begin, std::size_t end)
{
    Cut cut{begin, end, 0, 0};
    std::array<double, 3> sum{}, sq{};
    double n = 0;
    for (std::size_t i = begin; i < end; ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            sum[k] += static_cast<double>(e[i].c[k]) * e[i].count;
            sq[k] += static_cast<double>(e[i].c[k]) * e[i].c[k] * e[i].count;
        }
        n += static_cast<double>(e[i].count);
    }
    double best = -1;
    for (std::size_t k = 0; k < 3; ++k) {
        const double var = (sq[k] - sum[k] * sum[k] / n) * static_cast<double>(kWeight[k]);
        cut.error += var;
        if (var > best) {
            best = var;
            cut.axis = k;
        }
    }
    if (end - begin < 2)
        cut.error = 0;
    return cut;
}

std::array<int, 3> Mean(const std::vector<Entry>& e, std::size_t begin, std::size_t end)
{
    std::array<double, 3> sum{};
    double n = 0;
    for (std::size_t i = begin; i < end; ++i) {
        for (std::size_t k = 0; k < 3; ++k)
            sum[k] += static_cast<double>(e[i].c[k]) * e[i].count;
        n += static_cast<double>(e[i].count);
    }
    std::array<int, 3> m{};
    for (std::size_t k = 0; k < 3; ++k)
        m[k] = static_cast<int>(sum[k] / n + 0.5);
    return m;
}

std::size_t Nearest(const std::vector<std::array<int, 3>>& centres, const std::array<int, 3>& c)
{
    std::size_t best = 0;
    long best_d = Distance(centres[0], c);
    for (std::size_t j = 1; j < centres.size(); ++j) {
        const long d = Distance(centres[j], c);
        if (d < best_d) {
            best_d = d;
            best = j;
        }
    }
    return best;
}

} // namespace

std::vector<QRgb> BuildPalette(const std::vector<QImage>& images, int size, QRgb fixed)
{
    std::map<QRgb, long> histogram;
    for (const QImage& image : images) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
                ++histogram[line[x] | 0xff000000u];
        }
    }
    std::vector<Entry> entries;
    entries.reserve(histogram.size());
    for (const auto& [colour, count] : histogram) {
        if ((colour & 0xffffffu) != (fixed & 0xffffffu))
            entries.push_back({Channels(colour), count});
    }

    // Median cut: split the box with the largest weighted spread at the
    // weighted median of its widest channel.
    const std::size_t wanted = static_cast<std::size_t>(size - 1);
    std::vector<Cut> cuts;
    if (!entries.empty())
        cuts.push_back(Measure(entries, 0, entries.size()));
    while (cuts.size() < wanted) {
        auto it = std::max_element(cuts.begin(), cuts.end(),
                                   [](const Cut& a, const Cut& b) { return a.error < b.error; });
        if (it->error <= 0)
            break;
        const Cut cut = *it;
        const std::size_t k = cut.axis;
        std::stable_sort(entries.begin() + static_cast<long>(cut.begin),
                         entries.begin() + static_cast<long>(cut.end),
                         [k](const Entry& a, const Entry& b) { return a.c[k] < b.c[k]; });
        long total = 0;
        for (std::size_t i = cut.begin; i < cut.end; ++i)
            total += entries[i].count;
        long run = 0;
        std::size_t mid = cut.begin;
        while (mid < cut.end - 1 && run + entries[mid].count <= total / 2)
            run += entries[mid++].count;
        mid = std::clamp(mid, cut.begin + 1, cut.end - 1);
        *it = Measure(entries, cut.begin, mid);
        cuts.push_back(Measure(entries, mid, cut.end));
    }
    std::sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return a.begin < b.begin; });
    std::vector<std::array<int, 3>> centres;
    for (const Cut& cut : cuts)
        centres.push_back(Mean(entries, cut.begin, cut.end));

    // A few rounds of k-means pull each colour to the middle of its cluster.
    for (int round = 0; round < 5 && !centres.empty(); ++round) {
        std::vector<std::array<double, 4>> acc(centres.size());
        for (const Entry& e : entries) {
            auto& a = acc[Nearest(centres, e.c)];
            for (std::size_t k = 0; k < 3; ++k)
                a[k] += static_cast<double>(e.c[k]) * e.count;
            a[3] += static_cast<double>(e.count);
        }
        for (std::size_t j = 0; j < centres.size(); ++j) {
            if (acc[j][3] > 0) {
                for (std::size_t k = 0; k < 3; ++k)
                    centres[j][k] = static_cast<int>(acc[j][k] / acc[j][3] + 0.5);
            }
        }
    }

    std::vector<QRgb> palette;
    palette.push_back(fixed | 0xff000000u);
    std::vector<QRgb> rest;
    for (const auto& c : centres)
        rest.push_back(qRgb(c[0], c[1], c[2]));
    std::sort(rest.begin(), rest.end(), [](QRgb a, QRgb b) {
        const int la = qGray(a), lb = qGray(b);
        return la != lb ? la < lb : a < b;
    });
    palette.insert(palette.end(), rest.begin(), rest.end());
    while (palette.size() < static_cast<std::size_t>(size))
        palette.push_back(qRgb(0, 0, 0));
    palette.resize(static_cast<std::size_t>(size));
    return palette;
}

QImage MapToPalette(const QImage& image, const std::vector<QRgb>& palette)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(QList<QRgb>(palette.begin(), palette.end()));
    std::vector<std::array<int, 3>> centres;
    for (QRgb c : palette)
        centres.push_back(Channels(c));
    std::map<QRgb, uchar> memo;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = in[x] | 0xff000000u;
            auto it = memo.find(c);
            if (it == memo.end())
                it = memo.emplace(c, static_cast<uchar>(Nearest(centres, Channels(c)))).first;
            line[x] = it->second;
        }
    }
    return out;
}

} // namespace tarvisk::art
