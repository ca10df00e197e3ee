// The program icon: a black headstock with grey details and yellow pegs,
// drawn once as vectors and reduced to 32 x 32 in the standard 16 colours.

#include "tools/artgen/art_scene.h"

#include "tools/artgen/raster.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace tarvisk::art {

namespace {

QPainterPath IconHeadstock()
{
    QPainterPath p;
    p.moveTo(13.5, 32.5);
    p.lineTo(13.5, 27);
    p.cubicTo(13.5, 25.5, 11, 25, 11, 23);
    p.lineTo(9.5, 4);
    p.cubicTo(9.5, 3, 10, 2.5, 11, 2.5);
    p.cubicTo(13, 2.5, 14.5, 4, 16, 4);
    p.cubicTo(17.5, 4, 19, 2.5, 21, 2.5);
    p.cubicTo(22, 2.5, 22.5, 3, 22.5, 4);
    p.lineTo(21, 23);
    p.cubicTo(21, 25, 18.5, 25.5, 18.5, 27);
    p.lineTo(18.5, 32.5);
    p.closeSubpath();
    return p;
}

} // namespace

QImage DrawIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // Pegs first: their shafts run under the headstock's edge.
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 3; ++i) {
            const double y = 7.5 + 6.0 * i;
            const double cx = side == 0 ? 4.5 : 27.5;
            const double edge = side == 0 ? 11.0 : 21.0;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(150, 150, 150));
            p.drawRect(QRectF(std::min(cx, edge), y - 0.8, std::abs(edge - cx), 1.6));
            QRadialGradient g(QPointF(cx, y), 3.2, QPointF(cx - 0.9, y - 1.0));
            g.setColorAt(0.0, QColor(255, 255, 200));
            g.setColorAt(0.45, QColor(255, 232, 30));
            g.setColorAt(1.0, QColor(200, 150, 0));
            p.setBrush(g);
            p.setPen(QPen(QColor(96, 72, 0), 0.35));
            p.drawEllipse(QRectF(cx - 3.3, y - 2.2, 6.6, 4.4));
        }
    }

    QLinearGradient body(9, 0, 23, 0);
    body.setColorAt(0.0, QColor(6, 6, 6));
    body.setColorAt(0.4, QColor(40, 40, 44));
    body.setColorAt(1.0, QColor(2, 2, 2));
    p.setBrush(body);
    p.setPen(QPen(QColor(140, 140, 140), 1.0));
    p.drawPath(IconHeadstock());

    // Strings, posts and nut in light grey.
    const QColor detail(205, 205, 210);
    p.setPen(QPen(QColor(150, 150, 156), 0.45));
    for (int i = 0; i < 3; ++i) {
        const double y = 7.5 + 6.0 * i;
        p.drawLine(QPointF(13.2, y), QPointF(14.6 + i * 0.6, 25));
        p.drawLine(QPointF(18.8, y), QPointF(17.4 - i * 0.6, 25));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(detail);
    for (int i = 0; i < 3; ++i) {
        const double y = 7.5 + 6.0 * i;
        p.drawEllipse(QPointF(13.2, y), 1.1, 1.1);
        p.drawEllipse(QPointF(18.8, y), 1.1, 1.1);
    }
    p.fillRect(QRectF(13.5, 25, 5, 1.3), detail);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

QImage SixteenColourIcon(const QImage& icon)
{
    const QImage src =
        Downsample(icon.convertToFormat(QImage::Format_ARGB32_Premultiplied), icon.width() / 32);
    QImage out(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = src.pixel(x, y);
            out.setPixel(x, y, qAlpha(c) < 128 ? 0u : NearestVgaColour(qUnpremultiply(c), true));
        }
    }
    return out;
}

} // namespace tarvisk::art
