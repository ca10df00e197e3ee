#include "tests/window/art/art_test_support.h"

#include <QFile>

#include <algorithm>

namespace tarvisk::art::test {

QString ArtPath(const QString& name) { return QStringLiteral(TARVISK_ART_DIR "/") + name; }

QImage LoadArt(const QString& name) { return QImage(ArtPath(name)); }

QByteArray ReadArt(const QString& name)
{
    QFile file(ArtPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::array<Box, 7> LitBoxes()
{
    std::array<Box, 7> boxes{};
    std::copy(kIndicators.begin(), kIndicators.end(), boxes.begin());
    boxes[6] = kToggle;
    return boxes;
}

std::uint32_t U16(const QByteArray& bytes, int offset)
{
    if (offset + 2 > bytes.size())
        return 0;
    return static_cast<std::uint8_t>(bytes[offset]) |
        static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[offset + 1])) << 8;
}

std::uint32_t U32(const QByteArray& bytes, int offset)
{
    return U16(bytes, offset) | U16(bytes, offset + 2) << 16;
}

std::int32_t S32(const QByteArray& bytes, int offset)
{
    return static_cast<std::int32_t>(U32(bytes, offset));
}

bool BrightNeutral(QRgb c)
{
    const int lo = std::min({qRed(c), qGreen(c), qBlue(c)});
    const int hi = std::max({qRed(c), qGreen(c), qBlue(c)});
    return lo >= 150 && hi - lo <= 40;
}

bool White(QRgb c) { return std::min({qRed(c), qGreen(c), qBlue(c)}) >= 225; }

} // namespace tarvisk::art::test
