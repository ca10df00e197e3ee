#pragma once
// Loading the committed art and small pixel helpers shared by the art tests.

#include "tools/artgen/art_layout.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>

namespace tarvisk::art::test {

QString ArtPath(const QString& name);
QImage LoadArt(const QString& name);
QByteArray ReadArt(const QString& name);

// The seven rectangles of the lit controls: Picture1(0) to (5), then Picture2.
std::array<Box, 7> LitBoxes();

// Little-endian fields of the Windows file formats.
std::uint32_t U16(const QByteArray& bytes, int offset);
std::uint32_t U32(const QByteArray& bytes, int offset);
std::int32_t S32(const QByteArray& bytes, int offset);

// Chrome and white letters: light and nearly without hue.
bool BrightNeutral(QRgb c);
bool White(QRgb c);

} // namespace tarvisk::art::test
