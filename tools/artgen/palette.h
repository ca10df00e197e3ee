#pragma once
// Reduction of full-colour pictures to one shared 256-colour palette.

#include <QImage>

#include <vector>

namespace tarvisk::art {

// Builds a palette of exactly `size` opaque colours from all the images
// together (median cut, then a few rounds of k-means). `fixed` is entry 0,
// exactly, so a flat area of that colour stays exactly that colour.
std::vector<QRgb> BuildPalette(const std::vector<QImage>& images, int size, QRgb fixed);

// Maps every pixel on its own to the nearest palette entry: no dithering, so
// equal pixels in two pictures stay equal.
QImage MapToPalette(const QImage& image, const std::vector<QRgb>& palette);

} // namespace tarvisk::art
