// Draws the program's artwork and icon into the folder given as argument.
// The output is the same, byte for byte, on every run.

#include "tools/artgen/art_layout.h"
#include "tools/artgen/art_scene.h"
#include "tools/artgen/image_files.h"
#include "tools/artgen/palette.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu";

int Fail(const QString& message)
{
    std::fprintf(stderr, "tarvisk_artgen: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tarvisk::art;
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvisk_artgen OUTPUT_FOLDER\n");
        return 2;
    }
    // Fonts need a GUI application, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qt_argc = 1;
    QGuiApplication app(qt_argc, argv);

    const QString out_dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out_dir))
        return Fail(QStringLiteral("cannot create %1").arg(out_dir));
    Fonts fonts;
    QString error;
    const QString font_dir = qEnvironmentVariableIsEmpty("TARVISK_FONT_DIR")
        ? QString::fromLatin1(kFontDir)
        : qEnvironmentVariable("TARVISK_FONT_DIR");
    if (!LoadFonts(font_dir, &fonts, &error))
        return Fail(error);

    const QImage unlit = DrawScene(false, fonts);
    const QImage lit = ComposeLit(unlit, DrawScene(true, fonts));
    const std::vector<QRgb> palette =
        BuildPalette({unlit, lit}, 256, qRgb(kBackground.r, kBackground.g, kBackground.b));
    const QImage unlit8 = MapToPalette(unlit, palette);
    const QImage lit8 = MapToPalette(lit, palette);
    const QImage icon256 = DrawIcon(256);
    const QImage icon = SixteenColourIcon(icon256);

    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"unlit.png", EncodePng(unlit8)},     {"lit.png", EncodePng(lit8)},
        {"unlit.bmp", EncodeBmp8(unlit8)},    {"lit.bmp", EncodeBmp8(lit8)},
        {"icon.png", EncodePng(icon)},        {"tarvisk.ico", EncodeIco4(icon)},
        {"icon-256.png", EncodePng(icon256)},
    };
    for (const auto& [name, bytes] : files) {
        if (!WriteFile(QDir(out_dir).filePath(QString::fromLatin1(name)), bytes, &error))
            return Fail(error);
    }
    return 0;
}
