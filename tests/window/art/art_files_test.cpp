// The art files themselves: sizes, formats, agreement between the copies for
// Qt and for Windows, and that the generator makes exactly these files.

#include "tests/window/art/art_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

namespace tarvisk::art::test {
namespace {

class ArtworkFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ArtworkFile, Is384By550PixelsIndexedWith256Colours)
{
    const QImage image = LoadArt(QString::fromLatin1(GetParam()));
    ASSERT_FALSE(image.isNull()) << GetParam();
    EXPECT_EQ(image.width(), kWidth);
    EXPECT_EQ(image.height(), kHeight);
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 256);
}

INSTANTIATE_TEST_SUITE_P(Art, ArtworkFile, ::testing::Values("unlit.png", "lit.png", "unlit.bmp", "lit.bmp"));

class ArtworkPair : public ::testing::TestWithParam<const char*> {};

TEST_P(ArtworkPair, BmpAndPngHoldTheSameIndicesAndPalette)
{
    const QString stem = QString::fromLatin1(GetParam());
    const QImage png = LoadArt(stem + QStringLiteral(".png"));
    const QImage bmp = LoadArt(stem + QStringLiteral(".bmp"));
    ASSERT_EQ(png.size(), bmp.size());
    ASSERT_EQ(png.format(), QImage::Format_Indexed8);
    ASSERT_EQ(bmp.format(), QImage::Format_Indexed8);
    EXPECT_EQ(png.colorTable(), bmp.colorTable());
    int differing = 0;
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x)
            differing += png.pixelIndex(x, y) != bmp.pixelIndex(x, y);
    }
    EXPECT_EQ(differing, 0);
}

TEST_P(ArtworkPair, BmpIsBottomUpEightBitsWithA256EntryColourTable)
{
    const QByteArray bmp = ReadArt(QString::fromLatin1(GetParam()) + QStringLiteral(".bmp"));
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(U32(bmp, 2), static_cast<std::uint32_t>(bmp.size()));
    EXPECT_EQ(U32(bmp, 14), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(S32(bmp, 18), kWidth);
    EXPECT_EQ(S32(bmp, 22), kHeight) << "positive height: rows stored bottom-up";
    EXPECT_EQ(U16(bmp, 28), 8u);
    EXPECT_EQ(U32(bmp, 30), 0u) << "uncompressed";
    EXPECT_EQ(U32(bmp, 46), 256u);
    EXPECT_EQ(U32(bmp, 10), 14u + 40u + 256u * 4u);
    EXPECT_EQ(bmp.size(), 14 + 40 + 256 * 4 + kWidth * kHeight);
}

INSTANTIATE_TEST_SUITE_P(Art, ArtworkPair, ::testing::Values("unlit", "lit"));

TEST(Artwork, LitAndUnlitShareOnePalette)
{
    EXPECT_EQ(LoadArt(QStringLiteral("unlit.png")).colorTable(),
              LoadArt(QStringLiteral("lit.png")).colorTable());
}

constexpr std::array<QRgb, 16> kVga = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

TEST(Icon, IsThirtyTwoSquareInSixteenColoursWithATransparentSurround)
{
    const QImage icon = LoadArt(QStringLiteral("icon.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    ASSERT_TRUE(LoadArt(QStringLiteral("icon.png")).hasAlphaChannel());
    int transparent = 0;
    std::set<QRgb> used;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = icon.pixel(x, y);
            ASSERT_TRUE(qAlpha(c) == 0 || qAlpha(c) == 255) << x << "," << y;
            if (qAlpha(c) == 0) {
                ++transparent;
                continue;
            }
            EXPECT_NE(std::find(kVga.begin(), kVga.end(), c), kVga.end())
                << "not a standard colour at " << x << "," << y;
            used.insert(c);
        }
    }
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(31, 31)), 0);
    EXPECT_GT(transparent, 200);
    // Black headstock, grey outline, yellow pegs.
    EXPECT_TRUE(used.count(qRgb(0, 0, 0)));
    EXPECT_TRUE(used.count(qRgb(128, 128, 128)) || used.count(qRgb(192, 192, 192)));
    EXPECT_TRUE(used.count(qRgb(255, 255, 0)));
}

// Decodes the one 4-bit image of the .ico by hand, so the test holds the
// file to the Windows layout rather than to what a reader tolerates.
TEST(Icon, IcoHoldsTheSamePictureAsFourBitsWithAMask)
{
    const QByteArray ico = ReadArt(QStringLiteral("tarvisk.ico"));
    const QImage png = LoadArt(QStringLiteral("icon.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(ico.size(), 6 + 16 + 40 + 16 * 4 + 32 * 16 + 32 * 4);
    EXPECT_EQ(U16(ico, 0), 0u);
    EXPECT_EQ(U16(ico, 2), 1u) << "icon, not cursor";
    EXPECT_EQ(U16(ico, 4), 1u);
    EXPECT_EQ(static_cast<std::uint8_t>(ico[6]), 32);
    EXPECT_EQ(static_cast<std::uint8_t>(ico[7]), 32);
    EXPECT_EQ(static_cast<std::uint8_t>(ico[8]), 16);
    EXPECT_EQ(U16(ico, 12), 4u);
    EXPECT_EQ(U32(ico, 14), static_cast<std::uint32_t>(ico.size() - 22));
    ASSERT_EQ(U32(ico, 18), 22u);
    const int dib = 22;
    EXPECT_EQ(U32(ico, dib), 40u);
    EXPECT_EQ(S32(ico, dib + 4), 32);
    EXPECT_EQ(S32(ico, dib + 8), 64) << "colour bitmap and mask together";
    EXPECT_EQ(U16(ico, dib + 14), 4u);
    std::array<QRgb, 16> table{};
    for (int i = 0; i < 16; ++i) {
        const int o = dib + 40 + 4 * i;
        table[static_cast<std::size_t>(i)] =
            qRgb(static_cast<std::uint8_t>(ico[o + 2]), static_cast<std::uint8_t>(ico[o + 1]),
                 static_cast<std::uint8_t>(ico[o]));
    }
    EXPECT_EQ(table, kVga);
    const int xor_at = dib + 40 + 64;
    const int and_at = xor_at + 32 * 16;
    for (int y = 0; y < 32; ++y) {
        const int row = 31 - y;
        for (int x = 0; x < 32; ++x) {
            const auto byte = static_cast<std::uint8_t>(ico[xor_at + row * 16 + x / 2]);
            const int index = x % 2 ? byte & 0xf : byte >> 4;
            const bool masked = (static_cast<std::uint8_t>(ico[and_at + row * 4 + x / 8]) >> (7 - x % 8)) & 1;
            const QRgb want = png.pixel(x, y);
            ASSERT_EQ(masked, qAlpha(want) == 0) << x << "," << y;
            if (!masked) {
                ASSERT_EQ(table[static_cast<std::size_t>(index)], want) << x << "," << y;
            }
        }
    }
}

TEST(Icon, LargeIconIs256SquareWithAlpha)
{
    const QImage icon = LoadArt(QStringLiteral("icon-256.png"));
    ASSERT_EQ(icon.size(), QSize(256, 256));
    ASSERT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(128, 100)), 255) << "the headstock's middle";
}

int RunGenerator(const std::string& args)
{
    const std::string command = std::string("\"") + TARVISK_ARTGEN + "\" " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Generator, ReproducesTheCommittedFilesByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(RunGenerator("\"" + dir.path().toStdString() + "\""), 0);
    const QStringList names = {
        QStringLiteral("unlit.png"),    QStringLiteral("lit.png"),  QStringLiteral("unlit.bmp"),
        QStringLiteral("lit.bmp"),      QStringLiteral("icon.png"), QStringLiteral("tarvisk.ico"),
        QStringLiteral("icon-256.png"),
    };
    for (const QString& name : names) {
        QFile made(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(made.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray committed = ReadArt(name);
        ASSERT_FALSE(committed.isEmpty()) << name.toStdString();
        EXPECT_TRUE(made.readAll() == committed) << name.toStdString() << " differs from window/art";
    }
}

TEST(Generator, RefusesMissingOrUnwritableOutputWithoutCrashing)
{
    EXPECT_EQ(RunGenerator(""), 2);
    EXPECT_EQ(RunGenerator("one two"), 2);
    EXPECT_EQ(RunGenerator("/proc/version/art"), 1);
}

} // namespace
} // namespace tarvisk::art::test
