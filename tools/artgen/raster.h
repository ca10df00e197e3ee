#pragma once
// Pixel-level helpers the painter needs and QPainter lacks.

#include <QColor>
#include <QImage>

#include <array>

namespace tarvisk::art {

// Blurs a premultiplied ARGB image in place: `passes` box blurs of the given
// radius come close to a Gaussian. Integer arithmetic, so it is exact and
// repeatable.
void BoxBlur(QImage& image, int radius, int passes);

// Turns a blurred white mask into a halo of one colour, its coverage scaled
// by strength and capped at full.
void TintAlpha(QImage& mask, QColor colour, double strength);

// Shrinks a premultiplied image by a whole factor, each new pixel the plain
// average of the factor x factor pixels it covers.
QImage Downsample(const QImage& image, int factor);

// The standard 16-colour palette, in the order Windows uses for icons.
extern const std::array<QRgb, 16> kVgaPalette;

// The nearest of the 16 colours, opaque; with `greys_and_yellows`, only black,
// the greys, white, yellow and olive count, so a dark blue-grey never turns
// into navy.
QRgb NearestVgaColour(QRgb colour, bool greys_and_yellows = false);

} // namespace tarvisk::art
