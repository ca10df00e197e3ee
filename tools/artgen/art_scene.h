#pragma once
// Painting of the two artworks and the program icon.

#include <QImage>
#include <QString>

namespace tarvisk::art {

// Font families registered from font files, so the output never depends on
// what the machine happens to have installed.
struct Fonts {
    QString sans_bold;
    QString serif_bold;
};

// Registers the DejaVu faces found in font_dir; false when one is missing.
bool LoadFonts(const QString& font_dir, Fonts* fonts, QString* error);

// The whole picture, full colour, with every indicator and the toggle either
// all unlit or all lit.
QImage DrawScene(bool lit, const Fonts& fonts);

// The lit artwork: the unlit picture with the lit scene copied in only where
// the seven rectangles (grown by kLitBleed) lie.
QImage ComposeLit(const QImage& unlit, const QImage& lit_scene);

// The icon's design at any size; full colour with alpha.
QImage DrawIcon(int size);

// The icon reduced to 32 x 32 pixels in the standard 16 colours: every pixel
// is either fully transparent or one of those colours, opaque. `icon` is a
// square whose side is a multiple of 32.
QImage SixteenColourIcon(const QImage& icon);

} // namespace tarvisk::art
