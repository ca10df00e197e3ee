#include "tools/artgen/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tarvisk::art {

namespace {

// One box blur along a line of `count` pixels spaced `stride` apart; pixels
// beyond the ends count as transparent.
void BlurLine(QRgb* line, int count, int stride, int radius, std::vector<QRgb>& scratch)
{
    scratch.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        scratch[static_cast<std::size_t>(i)] = line[i * stride];
    const int window = 2 * radius + 1;
    std::array<int, 4> sum{};
    auto add = [&](QRgb c, int sign) {
        sum[0] += sign * qAlpha(c);
        sum[1] += sign * qRed(c);
        sum[2] += sign * qGreen(c);
        sum[3] += sign * qBlue(c);
    };
    for (int i = 0; i < std::min(radius, count); ++i)
        add(scratch[static_cast<std::size_t>(i)], 1);
    for (int i = 0; i < count; ++i) {
        const int in = i + radius;
        const int out = i - radius - 1;
        if (in < count)
            add(scratch[static_cast<std::size_t>(in)], 1);
        if (out >= 0)
            add(scratch[static_cast<std::size_t>(out)], -1);
        auto avg = [&](int s) { return (s + window / 2) / window; };
        line[i * stride] = qRgba(avg(sum[1]), avg(sum[2]), avg(sum[3]), avg(sum[0]));
    }
}

} // namespace

void BoxBlur(QImage& image, int radius, int passes)
{
    if (radius <= 0)
        return;
    Q_ASSERT(image.format() == QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const int stride = static_cast<int>(image.bytesPerLine() / 4);
    std::vector<QRgb> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y)
            BlurLine(bits + y * stride, w, 1, radius, scratch);
        for (int x = 0; x < w; ++x)
            BlurLine(bits + x, h, stride, radius, scratch);
    }
}

void TintAlpha(QImage& mask, QColor colour, double strength)
{
    const int r = colour.red(), g = colour.green(), b = colour.blue();
    const int ca = colour.alpha();
    for (int y = 0; y < mask.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            const int a = std::min(255, static_cast<int>(std::lround(qAlpha(line[x]) * strength)) * ca / 255);
            line[x] = qRgba((r * a + 127) / 255, (g * a + 127) / 255, (b * a + 127) / 255, a);
        }
    }
}

QImage Downsample(const QImage& image, int factor)
{
    const int w = image.width() / factor;
    const int h = image.height() / factor;
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    const int n = factor * factor;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::array<int, 4> sum{};
            for (int dy = 0; dy < factor; ++dy) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y * factor + dy));
                for (int dx = 0; dx < factor; ++dx) {
                    const QRgb c = line[x * factor + dx];
                    sum[0] += qAlpha(c);
                    sum[1] += qRed(c);
                    sum[2] += qGreen(c);
                    sum[3] += qBlue(c);
                }
            }
            out.setPixel(x, y,
                         qRgba((sum[1] + n / 2) / n, (sum[2] + n / 2) / n, (sum[3] + n / 2) / n,
                               (sum[0] + n / 2) / n));
        }
    }
    return out;
}

const std::array<QRgb, 16> kVgaPalette = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

QRgb NearestVgaColour(QRgb colour, bool greys_and_yellows)
{
    QRgb best = kVgaPalette[0];
    long best_d = -1;
    for (QRgb c : kVgaPalette) {
        const bool grey = qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
        const bool yellow = qRed(c) == qGreen(c) && qBlue(c) == 0;
        if (greys_and_yellows && !grey && !yellow)
            continue;
        const long dr = qRed(c) - qRed(colour);
        const long dg = qGreen(c) - qGreen(colour);
        const long db = qBlue(c) - qBlue(colour);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (best_d < 0 || d < best_d) {
            best_d = d;
            best = c;
        }
    }
    return best;
}

} // namespace tarvisk::art
