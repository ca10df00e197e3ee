#include "tools/artgen/image_files.h"

#include "tools/artgen/raster.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <cstdint>

namespace tarvisk::art {

namespace {

void Put16(QByteArray& out, std::uint16_t v)
{
    out.append(static_cast<char>(v & 0xff));
    out.append(static_cast<char>(v >> 8));
}

void Put32(QByteArray& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((v >> shift) & 0xff));
}

void PutInfoHeader(QByteArray& out, int width, int height, int bits, std::uint32_t image_size,
                   std::uint32_t colours)
{
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint16_t>(bits));
    Put32(out, 0); // BI_RGB
    Put32(out, image_size);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, 0);
}

void PutColour(QByteArray& out, QRgb c)
{
    out.append(static_cast<char>(qBlue(c)));
    out.append(static_cast<char>(qGreen(c)));
    out.append(static_cast<char>(qRed(c)));
    out.append('\0');
}

} // namespace

QByteArray EncodeBmp8(const QImage& image)
{
    Q_ASSERT(image.format() == QImage::Format_Indexed8);
    const int w = image.width();
    const int h = image.height();
    const int stride = (w + 3) & ~3;
    const std::uint32_t pixel_bytes = static_cast<std::uint32_t>(stride * h);
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    QByteArray out;
    out.append("BM");
    Put32(out, offset + pixel_bytes);
    Put32(out, 0);
    Put32(out, offset);
    PutInfoHeader(out, w, h, 8, pixel_bytes, 256);
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < 256; ++i)
        PutColour(out, i < table.size() ? table[i] : qRgb(0, 0, 0));
    for (int y = h - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char*>(image.constScanLine(y)), w);
        out.append(QByteArray(stride - w, '\0'));
    }
    return out;
}

QByteArray EncodeIco4(const QImage& icon)
{
    const QImage src = icon.convertToFormat(QImage::Format_ARGB32);
    const int n = 32;
    const int xor_stride = n / 2; // 4 bits per pixel, already a multiple of 4
    const int and_stride = 4;     // 32 bits per row
    const std::uint32_t image_bytes = static_cast<std::uint32_t>(40 + 16 * 4 + (xor_stride + and_stride) * n);
    QByteArray out;
    Put16(out, 0);
    Put16(out, 1); // icon
    Put16(out, 1); // one image
    out.append(static_cast<char>(n));
    out.append(static_cast<char>(n));
    out.append(static_cast<char>(16));
    out.append('\0');
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, image_bytes);
    Put32(out, 6 + 16);
    // The height counts the colour bitmap and the mask together.
    PutInfoHeader(out, n, 2 * n, 4, static_cast<std::uint32_t>((xor_stride + and_stride) * n), 16);
    for (QRgb c : kVgaPalette)
        PutColour(out, c);
    auto index_of = [](QRgb c) {
        for (int i = 0; i < 16; ++i) {
            if ((kVgaPalette[static_cast<std::size_t>(i)] & 0xffffffu) == (c & 0xffffffu))
                return i;
        }
        return 0;
    };
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; x += 2) {
            auto nibble = [&](int px) {
                const QRgb c = src.pixel(px, y);
                return qAlpha(c) == 0 ? 0 : index_of(c);
            };
            out.append(static_cast<char>((nibble(x) << 4) | nibble(x + 1)));
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::uint32_t bits = 0;
        for (int x = 0; x < n; ++x) {
            if (qAlpha(src.pixel(x, y)) == 0)
                bits |= 0x80000000u >> x;
        }
        for (int shift = 24; shift >= 0; shift -= 8)
            out.append(static_cast<char>((bits >> shift) & 0xff));
    }
    return out;
}

QByteArray EncodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image);
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace tarvisk::art
