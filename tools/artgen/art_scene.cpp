#include "tools/artgen/art_scene.h"

#include "tools/artgen/art_layers.h"
#include "tools/artgen/art_layout.h"
#include "tools/artgen/art_shapes.h"

#include <QFontDatabase>
#include <QPainter>

#include <algorithm>
#include <array>

namespace tarvisk::art {

bool LoadFonts(const QString& font_dir, Fonts* fonts, QString* error)
{
    auto load = [&](const QString& file, QString* family) {
        const int id = QFontDatabase::addApplicationFont(font_dir + QLatin1Char('/') + file);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (id < 0 || families.isEmpty()) {
            *error = QStringLiteral("cannot load font %1/%2").arg(font_dir, file);
            return false;
        }
        *family = families.front();
        return true;
    };
    return load(QStringLiteral("DejaVuSans-Bold.ttf"), &fonts->sans_bold) &&
        load(QStringLiteral("DejaVuSerif-Bold.ttf"), &fonts->serif_bold);
}

QImage DrawScene(bool lit, const Fonts& fonts)
{
    using namespace detail;
    QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Bg());
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    PaintShadows(p);
    PaintHousings(p);
    PaintWood(p);
    PaintLogo(p, fonts);
    PaintFretboard(p);
    PaintNut(p);
    PaintBushings(p);
    PaintStrings(p);
    for (const Peg& peg : kPegs)
        PaintPeg(p, peg, fonts, lit);
    PaintLoopWord(p, fonts);
    PaintToggle(p, lit);
    PaintLamp(p, lit);
    PaintTitle(p);
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage ComposeLit(const QImage& unlit, const QImage& lit_scene)
{
    QImage out = unlit.convertToFormat(QImage::Format_RGB32);
    const QImage src = lit_scene.convertToFormat(QImage::Format_RGB32);
    std::array<Box, 7> boxes{};
    std::copy(kIndicators.begin(), kIndicators.end(), boxes.begin());
    boxes[6] = kToggle;
    for (const Box& b : boxes) {
        const Box g = b.Grown(kLitBleed);
        for (int y = std::max(0, g.top); y <= std::min(kHeight - 1, g.Bottom()); ++y) {
            for (int x = std::max(0, g.left); x <= std::min(kWidth - 1, g.Right()); ++x)
                out.setPixel(x, y, src.pixel(x, y));
        }
    }
    return out;
}

} // namespace tarvisk::art
