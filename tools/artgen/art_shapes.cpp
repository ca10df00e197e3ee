#include "tools/artgen/art_shapes.h"

#include "tools/artgen/raster.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>

namespace tarvisk::art::detail {

QColor Rgb(int r, int g, int b, int a) { return QColor(r, g, b, a); }

QColor Bg() { return Rgb(kBackground.r, kBackground.g, kBackground.b); }

// --- Geometry shared by several layers -------------------------------------

double LeftEdgeAt(double y) { return 96.5 + (112.0 - 96.5) * (y - 20.0) / (340.0 - 20.0); }

double NeckHalfWidthAt(double y) { return 44.0 + 5.0 * (y - 412.0) / (551.0 - 412.0); }

QPainterPath HeadstockOutline()
{
    QPainterPath p;
    p.moveTo(kCentreX - NeckHalfWidthAt(552), 552);
    p.lineTo(kCentreX - 44.0, 412);
    p.cubicTo(146, 382, 112.5, 374, 112, 340);
    p.lineTo(96.5, 20);
    p.cubicTo(96.2, 12, 98.5, 8.5, 104.5, 8.5);
    p.cubicTo(142, 8.5, 158, 23, 190, 23);
    p.cubicTo(222, 23, 238, 8.5, 275.5, 8.5);
    p.cubicTo(281.5, 8.5, 283.8, 12, 283.5, 20);
    p.lineTo(268, 340);
    p.cubicTo(267.5, 374, 234, 382, 234, 412);
    p.lineTo(kCentreX + NeckHalfWidthAt(552), 552);
    p.closeSubpath();
    return p;
}

QPainterPath HeadstockFace()
{
    QPainterPath cut;
    cut.addRect(0, 0, kWidth, kNutTop);
    return HeadstockOutline().intersected(cut);
}

QPainterPath Fretboard()
{
    QPainterPath p;
    const double y0 = kNutBottom - 1;
    p.moveTo(kCentreX - NeckHalfWidthAt(y0), y0);
    p.lineTo(kCentreX + NeckHalfWidthAt(y0), y0);
    p.lineTo(kCentreX + NeckHalfWidthAt(552), 552);
    p.lineTo(kCentreX - NeckHalfWidthAt(552), 552);
    p.closeSubpath();
    return p;
}

QPointF PostOf(const Peg& peg)
{
    const double x = LeftEdgeAt(peg.y) + 31.0;
    return {peg.left_side ? x : 2 * kCentreX - x, static_cast<double>(peg.y)};
}

double NutSlotX(int string) { return kCentreX + (2.5 - string) * 13.0; }

double StringWidth(int string)
{
    static constexpr std::array<double, 6> kWidths = {0.9, 1.1, 1.5, 1.8, 2.1, 2.5};
    return kWidths[static_cast<std::size_t>(string)];
}

bool Wound(int string) { return string >= 2; }

double HeadstockEdgeAt(const Peg& peg)
{
    const double left = LeftEdgeAt(peg.y);
    return peg.left_side ? left : 2 * kCentreX - left;
}

double Outward(const Peg& peg) { return peg.left_side ? -1.0 : 1.0; }

double ButtonInnerX(const Peg& peg) { return peg.left_side ? peg.button.Right() : peg.button.left; }

QPainterPath ButtonShape(const Peg& peg)
{
    const double w = peg.button.width - 1.0;
    const double h = (peg.button.height - 1.0) / 2.0;
    const double x0 = ButtonInnerX(peg);
    const double s = Outward(peg);
    const double y = peg.button.top + h;
    auto pt = [&](double u, double v) { return QPointF(x0 + s * u, y + v); };
    QPainterPath p;
    p.moveTo(pt(0.5, -7.5));
    p.cubicTo(pt(9, -9.5), pt(16, -h), pt(w - 9, -h));
    p.cubicTo(pt(w - 2.5, -h), pt(w, -h + 5), pt(w, 0));
    p.cubicTo(pt(w, h - 5), pt(w - 2.5, h), pt(w - 9, h));
    p.cubicTo(pt(16, h), pt(9, 9.5), pt(0.5, 7.5));
    p.cubicTo(pt(-0.8, 4), pt(-0.8, -4), pt(0.5, -7.5));
    p.closeSubpath();
    return p;
}

QRectF CollarRect(const Peg& peg)
{
    const double x0 = ButtonInnerX(peg);
    const double x1 = x0 - Outward(peg) * 6.0;
    return QRectF(QPointF(std::min(x0, x1), peg.y - 6.0), QPointF(std::max(x0, x1), peg.y + 6.0));
}

QRectF HousingRect(const Peg& peg)
{
    const double edge = HeadstockEdgeAt(peg);
    const double x1 = edge + Outward(peg) * 14.0;
    const double x0 = edge - Outward(peg) * 10.0;
    return QRectF(QPointF(std::min(x0, x1), peg.y - 11.0), QPointF(std::max(x0, x1), peg.y + 11.0));
}

QRectF ShaftRect(const Peg& peg)
{
    const double edge = HeadstockEdgeAt(peg);
    const double x0 = edge + Outward(peg) * 14.0;
    const double x1 = ButtonInnerX(peg) - Outward(peg) * 5.0;
    return QRectF(QPointF(std::min(x0, x1), peg.y - 3.2), QPointF(std::max(x0, x1), peg.y + 3.2));
}

QPainterPath FittedText(const QString& family, const QString& text, const QRectF& box, double shear)
{
    QFont font(family);
    font.setPixelSize(200);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::NoFontMerging);
    QPainterPath path;
    path.addText(0, 0, font, text);
    if (shear != 0.0)
        path = QTransform(1, 0, shear, 1, 0, 0).map(path);
    const QRectF r = path.boundingRect();
    const double scale = std::min(box.width() / r.width(), box.height() / r.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(scale, scale);
    t.translate(-r.center().x(), -r.center().y());
    return t.map(path);
}

// --- Effects ----------------------------------------------------------------

void PaintHalo(QPainter& p, const QPainterPath& shape, QPointF offset, double spread, int blur, QColor colour,
               double strength)
{
    QImage mask(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.translate(offset);
        m.fillPath(shape, Qt::white);
        if (spread > 0)
            m.strokePath(shape, QPen(Qt::white, spread, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    BoxBlur(mask, blur, 3);
    TintAlpha(mask, colour, strength);
    p.drawImage(0, 0, mask);
}

QLinearGradient Chrome(QPointF from, QPointF to, int tint)
{
    QLinearGradient g(from, to);
    g.setColorAt(0.00, Rgb(250, 250, 252));
    g.setColorAt(0.18, Rgb(214, 216, 222));
    g.setColorAt(0.42, Rgb(120, 122, 130));
    g.setColorAt(0.52, Rgb(58 + tint, 58, 66));
    g.setColorAt(0.64, Rgb(150 + tint, 146, 150));
    g.setColorAt(0.86, Rgb(226, 224, 226));
    g.setColorAt(1.00, Rgb(150, 150, 156));
    return g;
}

void FillChromeRect(QPainter& p, const QRectF& r, double radius)
{
    p.setPen(QPen(Rgb(42, 42, 48), 0.8));
    p.setBrush(Chrome(r.topLeft(), r.bottomLeft()));
    p.drawRoundedRect(r, radius, radius);
}

} // namespace tarvisk::art::detail
