#include "tools/artgen/art_scene.h"

#include "tools/artgen/art_layout.h"
#include "tools/artgen/raster.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace tarvisk::art {

namespace {

// A small generator of our own: the grain must come out the same on every
// machine, whatever the standard library's distributions do.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state_(seed ? seed : 1u) {}
    std::uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * (Next() % 100000u) / 100000.0; }

private:
    std::uint32_t state_;
};

QColor Rgb(int r, int g, int b, int a = 255)
{
    return QColor(r, g, b, a);
}

QColor Bg()
{
    return Rgb(kBackground.r, kBackground.g, kBackground.b);
}

// --- Geometry shared by several layers -------------------------------------

double LeftEdgeAt(double y)
{
    return 96.5 + (112.0 - 96.5) * (y - 20.0) / (340.0 - 20.0);
}

double NeckHalfWidthAt(double y)
{
    return 44.0 + 5.0 * (y - 412.0) / (551.0 - 412.0);
}

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

// The headstock face above the nut, where the binding runs.
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

constexpr double kPostRadius = 4.2;
constexpr double kBushingRadius = 8.5;

// Where each string crosses the nut, by string index (0 = high E).
double NutSlotX(int string)
{
    return kCentreX + (2.5 - string) * 13.0;
}

double StringWidth(int string)
{
    static constexpr std::array<double, 6> kWidths = {0.9, 1.1, 1.5, 1.8, 2.1, 2.5};
    return kWidths[static_cast<std::size_t>(string)];
}

bool Wound(int string)
{
    return string >= 2;
}

double HeadstockEdgeAt(const Peg& peg)
{
    const double left = LeftEdgeAt(peg.y);
    return peg.left_side ? left : 2 * kCentreX - left;
}

// Peg coordinates run outwards from the headstock: u = 0 at the button's
// inner end. These turn them into picture coordinates.
double Outward(const Peg& peg)
{
    return peg.left_side ? -1.0 : 1.0;
}

double ButtonInnerX(const Peg& peg)
{
    return peg.left_side ? peg.button.Right() : peg.button.left;
}

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

// A glyph outline scaled to fill a box's height (or its width, if that is
// the tighter fit) and centred in it.
QPainterPath FittedText(const QString& family, const QString& text, const QRectF& box,
                        double shear = 0.0)
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

// Paints a shape's blurred silhouette in one colour: shadows and glows.
void PaintHalo(QPainter& p, const QPainterPath& shape, QPointF offset, double spread, int blur,
               QColor colour, double strength)
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

QLinearGradient Chrome(QPointF from, QPointF to, int tint = 0)
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

// --- Layers -------------------------------------------------------------------

QPainterPath PegSilhouette(const Peg& peg)
{
    QPainterPath p;
    p.addRoundedRect(HousingRect(peg), 4, 4);
    p.addRect(ShaftRect(peg));
    p.addRect(CollarRect(peg));
    p.addPath(ButtonShape(peg));
    return p;
}

void PaintShadows(QPainter& p)
{
    QPainterPath s = HeadstockOutline();
    for (const Peg& peg : kPegs)
        s.addPath(PegSilhouette(peg));
    PaintHalo(p, s, {3.5, 4.5}, 1.0, 3, Qt::black, 0.55);

    QPainterPath sw;
    sw.addEllipse(QPointF(kLeverPivotX, kLeverPivotY), 17, 17);
    sw.addEllipse(QPointF(kLampX, kLampY), 13, 13);
    PaintHalo(p, sw, {2.5, 3.5}, 0.0, 2, Qt::black, 0.5);
}

void PaintHousings(QPainter& p)
{
    for (const Peg& peg : kPegs) {
        const QRectF r = HousingRect(peg);
        FillChromeRect(p, r, 4);
        // A seam on the housing, as the pressed-steel covers have.
        p.setPen(QPen(Rgb(70, 70, 78, 160), 0.8));
        const double x = HeadstockEdgeAt(peg) + Outward(peg) * 8.0;
        p.drawLine(QPointF(x, r.top() + 2), QPointF(x, r.bottom() - 2));
    }
}

void PaintWood(QPainter& p)
{
    const QPainterPath outline = HeadstockOutline();
    p.save();
    p.setClipPath(outline);
    p.fillPath(outline, Rgb(81, 24, 15));

    // Rosewood grain: long, slightly wavering streaks along the headstock.
    Rng rng(20240611u);
    for (int i = 0; i < 190; ++i) {
        const double x0 = 92.0 + i * 1.03 + rng.Uniform(-1.5, 1.5);
        const double phase = rng.Uniform(0, 6.283);
        const double phase2 = rng.Uniform(0, 6.283);
        const double amp = rng.Uniform(0.8, 3.0);
        const double drift = (x0 - kCentreX) * -0.16 + rng.Uniform(-4, 4);
        QPainterPath line;
        for (int y = -6; y <= 560; y += 6) {
            const double x = x0 + amp * std::sin(y * 0.012 + phase) +
                             0.9 * std::sin(y * 0.05 + phase2) + drift * y / 550.0;
            if (y == -6)
                line.moveTo(x, y);
            else
                line.lineTo(x, y);
        }
        const int pick = static_cast<int>(rng.Next() % 5u);
        QColor c;
        switch (pick) {
        case 0: c = Rgb(44, 10, 6, 150); break;
        case 1: c = Rgb(58, 14, 8, 120); break;
        case 2: c = Rgb(100, 34, 20, 70); break;
        case 3: c = Rgb(90, 28, 16, 90); break;
        default: c = Rgb(118, 46, 28, 45); break;
        }
        p.setPen(QPen(c, rng.Uniform(0.5, 2.4)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(line);
    }

    // Shading: the face curves away at the edges and catches light from the
    // upper left.
    QLinearGradient across(96, 0, 284, 0);
    across.setColorAt(0.00, Rgb(0, 0, 0, 140));
    across.setColorAt(0.10, Rgb(0, 0, 0, 40));
    across.setColorAt(0.30, Rgb(255, 220, 200, 8));
    across.setColorAt(0.55, Rgb(0, 0, 0, 0));
    across.setColorAt(0.90, Rgb(0, 0, 0, 50));
    across.setColorAt(1.00, Rgb(0, 0, 0, 150));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), across);

    QLinearGradient neck(kCentreX - 49, 0, kCentreX + 49, 0);
    neck.setColorAt(0.0, Rgb(0, 0, 0, 120));
    neck.setColorAt(0.2, Rgb(0, 0, 0, 0));
    neck.setColorAt(0.8, Rgb(0, 0, 0, 0));
    neck.setColorAt(1.0, Rgb(0, 0, 0, 130));
    QLinearGradient fade(0, 330, 0, 400);
    fade.setColorAt(0, Rgb(0, 0, 0, 0));
    fade.setColorAt(1, Rgb(0, 0, 0, 255));
    {
        QImage layer(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter l(&layer);
        l.fillRect(QRectF(0, 330, kWidth, 230), neck);
        l.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        l.fillRect(QRectF(0, 330, kWidth, 230), fade);
        l.end();
        p.drawImage(0, 0, layer);
    }

    QRadialGradient glare(QPointF(150, 150), 210, QPointF(140, 120));
    glare.setColorAt(0.0, Rgb(255, 225, 205, 30));
    glare.setColorAt(1.0, Rgb(255, 225, 205, 0));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), glare);

    // A soft reflection of a window in the lacquer.
    QPainterPath streak;
    streak.moveTo(150, 0);
    streak.lineTo(190, 0);
    streak.lineTo(245, 420);
    streak.lineTo(215, 420);
    streak.closeSubpath();
    QLinearGradient sheen(150, 200, 215, 190);
    sheen.setColorAt(0.0, Rgb(255, 240, 230, 0));
    sheen.setColorAt(0.5, Rgb(255, 240, 230, 16));
    sheen.setColorAt(1.0, Rgb(255, 240, 230, 0));
    p.fillPath(streak, sheen);
    p.restore();

    // Binding and purfling along the face's edge, inside the outline.
    const QPainterPath face = HeadstockFace();
    p.save();
    p.setClipPath(face);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Rgb(24, 8, 4), 8.5, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(outline);
    QLinearGradient tan(96, 0, 284, 0);
    tan.setColorAt(0.0, Rgb(168, 138, 96));
    tan.setColorAt(0.3, Rgb(226, 200, 154));
    tan.setColorAt(0.7, Rgb(214, 186, 140));
    tan.setColorAt(1.0, Rgb(160, 130, 90));
    p.setPen(QPen(QBrush(tan), 5.0, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(outline);
    p.restore();
    p.strokePath(outline, QPen(Rgb(36, 14, 8, 200), 1.0));
}

void PaintLogo(QPainter& p, const Fonts& fonts)
{
    const QPainterPath word =
        FittedText(fonts.serif_bold, QStringLiteral("Tarvisk"), QRectF(146, 38, 88, 24), -0.32);

    // A swash from under the first letter, thin at both ends.
    QPainterPath swash;
    const int n = 40;
    std::array<QPointF, 2 * n + 2> pts{};
    auto bez = [](double t, QPointF a, QPointF b, QPointF c, QPointF d) {
        const double u = 1 - t;
        return a * (u * u * u) + b * (3 * u * u * t) + c * (3 * u * t * t) + d * (t * t * t);
    };
    const QPointF a(144, 57), b(170, 76), c(212, 70), d(238, 62);
    for (int i = 0; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        const QPointF pt = bez(t, a, b, c, d);
        const QPointF ahead = bez(std::min(1.0, t + 0.01), a, b, c, d) - bez(std::max(0.0, t - 0.01), a, b, c, d);
        const double len = std::hypot(ahead.x(), ahead.y());
        const QPointF normal(-ahead.y() / len, ahead.x() / len);
        const double w = 1.6 * std::sin(3.14159 * t) + 0.2;
        pts[static_cast<std::size_t>(i)] = pt + normal * w;
        pts[static_cast<std::size_t>(2 * n + 1 - i)] = pt - normal * w;
    }
    swash.addPolygon(QPolygonF(QList<QPointF>(pts.begin(), pts.end())));
    swash.closeSubpath();

    QPainterPath logo = word;
    logo.addPath(swash);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(QTransform::fromTranslate(0.8, 1.0).map(logo), Rgb(20, 5, 2, 150));
    p.fillPath(logo, Rgb(246, 244, 238));
    // Three small dots after the swash, like inlaid mother of pearl.
    for (int i = 0; i < 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(Rgb(240, 238, 230));
        p.drawEllipse(QPointF(229.0 + i * 5.0, 72.0 - i * 2.5), 1.2 - i * 0.25, 1.2 - i * 0.25);
    }
}

void PaintFretboard(QPainter& p)
{
    const QPainterPath board = Fretboard();
    p.save();
    p.setClipPath(board);
    p.fillPath(board, Rgb(36, 24, 20));
    Rng rng(7u);
    for (int i = 0; i < 70; ++i) {
        const double x = kCentreX - 50 + i * 1.45 + rng.Uniform(-1, 1);
        p.setPen(QPen(rng.Next() % 2 ? Rgb(20, 12, 10, 140) : Rgb(62, 44, 36, 90), rng.Uniform(0.5, 1.6)));
        p.drawLine(QPointF(x, kNutBottom), QPointF(x + rng.Uniform(-2, 2), 552));
    }
    QLinearGradient across(kCentreX - 49, 0, kCentreX + 49, 0);
    across.setColorAt(0.0, Rgb(0, 0, 0, 140));
    across.setColorAt(0.15, Rgb(0, 0, 0, 0));
    across.setColorAt(0.4, Rgb(255, 255, 255, 14));
    across.setColorAt(0.85, Rgb(0, 0, 0, 0));
    across.setColorAt(1.0, Rgb(0, 0, 0, 150));
    p.fillRect(QRectF(0, kNutBottom, kWidth, 120), across);

    // Frets, spaced as on a real neck (the second 1.94 times the first).
    for (double y : {488.0, 533.0}) {
        const double half = NeckHalfWidthAt(y) + 1;
        const QRectF r(kCentreX - half, y - 1.8, 2 * half, 3.6);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, Rgb(120, 118, 112));
        g.setColorAt(0.35, Rgb(246, 244, 236));
        g.setColorAt(0.7, Rgb(170, 166, 158));
        g.setColorAt(1.0, Rgb(70, 66, 60));
        p.fillRect(r, g);
        p.fillRect(QRectF(r.left(), r.bottom(), r.width(), 1.5), Rgb(0, 0, 0, 90));
    }
    p.restore();

    // Cream binding along both edges of the fretboard.
    for (double side : {-1.0, 1.0}) {
        p.setPen(QPen(Rgb(220, 204, 170), 1.6));
        const double inset = 1.2;
        p.drawLine(QPointF(kCentreX + side * (NeckHalfWidthAt(kNutBottom) - inset), kNutBottom),
                   QPointF(kCentreX + side * (NeckHalfWidthAt(552) - inset), 552));
    }
}

void PaintNut(QPainter& p)
{
    const double half = NeckHalfWidthAt(kNutTop) + 0.5;
    const QRectF r(kCentreX - half, kNutTop, 2 * half, kNutBottom - kNutTop + 1);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, Rgb(250, 246, 230));
    g.setColorAt(0.45, Rgb(236, 228, 204));
    g.setColorAt(1.0, Rgb(190, 178, 146));
    p.setPen(QPen(Rgb(120, 104, 80), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(r, 2, 2);
    p.fillRect(QRectF(r.left(), r.bottom() + 0.5, r.width(), 2), Rgb(0, 0, 0, 110));
    for (int s = 0; s < 6; ++s) {
        p.fillRect(QRectF(NutSlotX(s) - 1.0, kNutTop, 2.0, 2.5), Rgb(196, 184, 156));
    }
}

void PaintBushings(QPainter& p)
{
    for (const Peg& peg : kPegs) {
        const QPointF c = PostOf(peg);
        PaintHalo(p, [&] {
            QPainterPath s;
            s.addEllipse(c, kBushingRadius, kBushingRadius);
            return s;
        }(), {1.5, 2.0}, 0.0, 2, Qt::black, 0.6);
        QRadialGradient washer(c, kBushingRadius, c + QPointF(-3, -3.5));
        washer.setColorAt(0.0, Rgb(255, 255, 255));
        washer.setColorAt(0.45, Rgb(200, 202, 208));
        washer.setColorAt(0.75, Rgb(110, 112, 120));
        washer.setColorAt(1.0, Rgb(210, 210, 216));
        p.setPen(QPen(Rgb(40, 36, 36), 0.8));
        p.setBrush(washer);
        p.drawEllipse(c, kBushingRadius, kBushingRadius);
        QRadialGradient post(c, kPostRadius, c + QPointF(-1.5, -1.5));
        post.setColorAt(0.0, Rgb(235, 235, 240));
        post.setColorAt(0.6, Rgb(150, 150, 158));
        post.setColorAt(1.0, Rgb(70, 70, 78));
        p.setPen(QPen(Rgb(30, 30, 34), 0.7));
        p.setBrush(post);
        p.drawEllipse(c, kPostRadius, kPostRadius);
        p.setPen(Qt::NoPen);
        p.setBrush(Rgb(20, 20, 22));
        p.drawEllipse(c, 1.1, 1.1);
    }
}

QColor StringColour(int string)
{
    return Wound(string) ? Rgb(196, 156, 104) : Rgb(214, 214, 220);
}

void PaintString(QPainter& p, const QPainterPath& path, int string)
{
    const double w = StringWidth(string);
    p.setBrush(Qt::NoBrush);
    p.strokePath(QTransform::fromTranslate(1.2, 1.8).map(path),
                 QPen(Rgb(0, 0, 0, 90), w + 0.8, Qt::SolidLine, Qt::RoundCap));
    p.strokePath(path, QPen(StringColour(string).darker(135), w, Qt::SolidLine, Qt::RoundCap));
    p.strokePath(QTransform::fromTranslate(-0.25, -0.25).map(path),
                 QPen(StringColour(string).lighter(125), w * 0.45, Qt::SolidLine, Qt::RoundCap));
}

void PaintStrings(QPainter& p)
{
    for (const Peg& peg : kPegs) {
        const int s = peg.string;
        const QPointF post = PostOf(peg);
        const double inward = peg.left_side ? 1.0 : -1.0;
        const QPointF touch = post + QPointF(inward * (kPostRadius + StringWidth(s) * 0.3), 0);
        const double nx = NutSlotX(s);
        const double spread = 1.07;
        QPainterPath run;
        run.moveTo(kCentreX + (nx - kCentreX) * spread, 552);
        run.lineTo(nx, kNutTop + 1.5);
        run.lineTo(touch);
        PaintString(p, run, s);

        // The winding on the post and the clipped end sticking out of it.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(StringColour(s).darker(120), std::max(1.0, StringWidth(s) * 0.8)));
        p.drawArc(QRectF(post.x() - kPostRadius - 0.6, post.y() - kPostRadius - 0.6,
                         2 * kPostRadius + 1.2, 2 * kPostRadius + 1.2),
                  peg.left_side ? -100 * 16 : 80 * 16, 200 * 16);
        QPainterPath end;
        end.moveTo(post);
        end.lineTo(post + QPointF(-inward * 7.5, -3.5));
        PaintString(p, end, s);
    }
}

void PaintPeg(QPainter& p, const Peg& peg, const Fonts& fonts, bool lit)
{
    if (lit) {
        QPainterPath glow = ButtonShape(peg);
        glow.addPath(FittedText(fonts.sans_bold, QString(QChar(peg.name)),
                                QRectF(peg.letter.left, peg.letter.top, peg.letter.width - 1,
                                       peg.letter.height - 1)));
        // A wide, faint halo under a tighter, brighter one reads as light
        // rather than paint.
        PaintHalo(p, glow, {0, 0}, 14.0, 6, Rgb(230, 20, 10), 0.75);
        PaintHalo(p, glow, {0, 0}, 6.0, 3, Rgb(255, 40, 20), 0.9);
    }

    const QRectF shaft = ShaftRect(peg);
    p.setPen(QPen(Rgb(40, 40, 46), 0.7));
    p.setBrush(Chrome(shaft.topLeft(), shaft.bottomLeft()));
    p.drawRect(shaft);
    FillChromeRect(p, CollarRect(peg), 1.5);

    const QPainterPath button = ButtonShape(peg);
    const QRectF b = button.boundingRect();
    p.setPen(QPen(Rgb(38, 38, 44), 1.0));
    p.setBrush(Chrome(b.topLeft(), b.bottomLeft(), lit ? 40 : 0));
    p.drawPath(button);
    // A rounded bevel: the rim reflects more than the flat middle.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Rgb(255, 255, 255, 110), 1.2));
    p.drawPath(QTransform()
                   .translate(b.center().x(), b.center().y())
                   .scale(0.82, 0.74)
                   .translate(-b.center().x(), -b.center().y())
                   .map(button));
    const double outer = peg.left_side ? b.left() + 8 : b.right() - 8;
    QRadialGradient spot(QPointF(outer, b.top() + 7), 7);
    spot.setColorAt(0.0, Rgb(255, 255, 255, 230));
    spot.setColorAt(1.0, Rgb(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(spot);
    p.drawEllipse(QPointF(outer, b.top() + 7), 7, 4.5);
    if (lit) {
        // The red light falls on the chrome too.
        p.save();
        p.setClipPath(button);
        QRadialGradient red(b.center(), b.width() * 0.7);
        red.setColorAt(0.0, Rgb(255, 40, 24, 20));
        red.setColorAt(1.0, Rgb(255, 40, 24, 80));
        p.fillRect(b, red);
        p.restore();
    }

    const QPainterPath letter =
        FittedText(fonts.sans_bold, QString(QChar(peg.name)),
                   QRectF(peg.letter.left + 0.5, peg.letter.top + 0.5, peg.letter.width - 1.5,
                          peg.letter.height - 1.5));
    p.fillPath(QTransform::fromTranslate(0.8, 0.8).map(letter), Rgb(10, 5, 2, 170));
    p.fillPath(letter, lit ? Rgb(255, 236, 230) : Rgb(250, 250, 250));
}

void PaintLoopWord(QPainter& p, const Fonts& fonts)
{
    const QPainterPath word =
        FittedText(fonts.sans_bold, QStringLiteral("Loop"),
                   QRectF(kLoopWord.left + 0.5, kLoopWord.top + 0.5, kLoopWord.width - 2.5,
                          kLoopWord.height - 2.5));
    p.fillPath(QTransform::fromTranslate(0.8, 0.8).map(word), Rgb(20, 12, 6, 150));
    p.fillPath(word, Rgb(204, 204, 204));
}

void PaintToggle(QPainter& p, bool lit)
{
    const QPointF pivot(kLeverPivotX, kLeverPivotY);
    // Washer and hex nut holding the switch in the panel.
    QRadialGradient washer(pivot, 17, pivot + QPointF(-5, -6));
    washer.setColorAt(0.0, Rgb(250, 250, 252));
    washer.setColorAt(0.5, Rgb(180, 182, 190));
    washer.setColorAt(0.85, Rgb(96, 98, 106));
    washer.setColorAt(1.0, Rgb(190, 190, 198));
    p.setPen(QPen(Rgb(40, 38, 38), 0.9));
    p.setBrush(washer);
    p.drawEllipse(pivot, 17, 17);
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
        const double a = (30.0 + 60.0 * i) * 3.14159265358979 / 180.0;
        hex << pivot + QPointF(12.0 * std::cos(a), 12.0 * std::sin(a));
    }
    p.setPen(QPen(Rgb(36, 36, 42), 0.9));
    p.setBrush(Chrome(pivot + QPointF(0, -12), pivot + QPointF(0, 12)));
    p.drawPolygon(hex);
    QRadialGradient bore(pivot, 6.5);
    bore.setColorAt(0.0, Rgb(10, 10, 12));
    bore.setColorAt(0.7, Rgb(40, 40, 46));
    bore.setColorAt(1.0, Rgb(170, 170, 178));
    p.setBrush(bore);
    p.setPen(QPen(Rgb(30, 30, 34), 0.7));
    p.drawEllipse(pivot, 6.5, 6.5);

    // The bat lever, seen from the front: it narrows towards the ball.
    const double dir = lit ? 1.0 : -1.0;
    const double length = lit ? 18.0 : 22.0; // a lever tipped towards us looks shorter
    const QPointF tip = pivot + QPointF(0, dir * length);
    QPainterPath bat;
    bat.moveTo(pivot + QPointF(-3.8, 0));
    bat.lineTo(tip + QPointF(-2.6, 0));
    bat.lineTo(tip + QPointF(2.6, 0));
    bat.lineTo(pivot + QPointF(3.8, 0));
    bat.closeSubpath();
    PaintHalo(p, bat, {2.5, 3.0}, 2.0, 2, Qt::black, 0.5);
    p.setPen(QPen(Rgb(36, 36, 42), 0.8));
    QLinearGradient side(pivot + QPointF(-4, 0), pivot + QPointF(4, 0));
    side.setColorAt(0.0, Rgb(90, 90, 98));
    side.setColorAt(0.3, Rgb(250, 250, 252));
    side.setColorAt(0.6, Rgb(160, 160, 168));
    side.setColorAt(1.0, Rgb(70, 70, 78));
    p.setBrush(side);
    p.drawPath(bat);
    QRadialGradient ball(tip, 5.0, tip + QPointF(-1.6, -1.8));
    ball.setColorAt(0.0, Rgb(255, 255, 255));
    ball.setColorAt(0.5, Rgb(190, 190, 198));
    ball.setColorAt(1.0, Rgb(70, 70, 78));
    p.setBrush(ball);
    p.drawEllipse(tip, 5.0, 5.0);
}

void PaintLamp(QPainter& p, bool lit)
{
    const QPointF c(kLampX, kLampY);
    if (lit) {
        QRadialGradient halo(c, 25);
        halo.setColorAt(0.0, Rgb(255, 60, 30, 255));
        halo.setColorAt(0.45, Rgb(255, 30, 16, 190));
        halo.setColorAt(0.75, Rgb(230, 20, 10, 70));
        halo.setColorAt(1.0, Rgb(230, 20, 10, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(c, 25, 25);
    }
    QConicalGradient bezel(c, 135);
    bezel.setColorAt(0.0, Rgb(250, 250, 252));
    bezel.setColorAt(0.25, Rgb(120, 122, 130));
    bezel.setColorAt(0.5, Rgb(60, 60, 68));
    bezel.setColorAt(0.75, Rgb(160, 162, 170));
    bezel.setColorAt(1.0, Rgb(250, 250, 252));
    p.setPen(QPen(Rgb(34, 30, 30), 0.9));
    p.setBrush(bezel);
    p.drawEllipse(c, 13, 13);
    QRadialGradient lens(c, kLampRadius, c + QPointF(-2.5, -3));
    if (lit) {
        lens.setColorAt(0.0, Rgb(255, 236, 220));
        lens.setColorAt(0.3, Rgb(255, 96, 70));
        lens.setColorAt(0.75, Rgb(240, 24, 14));
        lens.setColorAt(1.0, Rgb(170, 10, 6));
    } else {
        lens.setColorAt(0.0, Rgb(150, 40, 34));
        lens.setColorAt(0.4, Rgb(96, 14, 12));
        lens.setColorAt(1.0, Rgb(44, 4, 4));
    }
    p.setPen(QPen(Rgb(30, 6, 6), 0.8));
    p.setBrush(lens);
    p.drawEllipse(c, kLampRadius, kLampRadius);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(255, 255, 255, lit ? 220 : 150));
    p.drawEllipse(c + QPointF(-3.2, -3.6), 2.6, 1.7);
}

// --- The name across the bottom, in squared capitals ----------------------

QPainterPath Poly(std::initializer_list<QPointF> points)
{
    QPainterPath p;
    p.addPolygon(QPolygonF(QList<QPointF>(points)));
    p.closeSubpath();
    return p;
}

// A stroke of width t along a centre line, square at its corners and cut
// flat at its ends.
QPainterPath Stroke(std::initializer_list<QPointF> points, double t)
{
    QPainterPath line;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            line.moveTo(pt);
        else
            line.lineTo(pt);
        first = false;
    }
    QPainterPathStroker stroker;
    stroker.setWidth(t);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setMiterLimit(8);
    return stroker.createStroke(line);
}

// One glyph in a cell of width w and height h, drawn as strokes along centre
// lines that run out of the cell where a stroke ends flat.
QPainterPath SquaredGlyph(char c, double w, double h)
{
    const double t = 6.5;
    const double e = t / 2;      // a centre line this far in from the edge
    const double bar = h * 0.56; // crossbar of A and R, a little below the middle
    QPainterPath g;
    g.setFillRule(Qt::WindingFill);
    switch (c) {
    case 'T':
        g.addPath(Stroke({{-2, e}, {w + 2, e}}, t));
        g.addPath(Stroke({{w / 2, e}, {w / 2, h + 2}}, t));
        break;
    case 'A':
        g.addPath(Stroke({{e, h + 2}, {e, e}, {w - e, e}, {w - e, h + 2}}, t));
        g.addPath(Stroke({{e, bar}, {w - e, bar}}, t));
        break;
    case 'R':
        g.addPath(Stroke({{e, h + 2}, {e, e}, {w - e, e}, {w - e, bar}, {e, bar}}, t));
        g.addPath(Stroke({{w * 0.5, bar}, {w - e, h - 5}, {w - e, h + 2}}, t));
        break;
    case 'V':
        g.addPath(Stroke({{e, -2}, {e, h * 0.42}, {w / 2, h - e}, {w - e, h * 0.42}, {w - e, -2}}, t));
        break;
    case 'I':
        g.addPath(Stroke({{w / 2, -2}, {w / 2, h + 2}}, t));
        break;
    case 'S':
        g.addPath(Stroke({{w + 2, e}, {e, e}, {e, h / 2}, {w - e, h / 2}, {w - e, h - e}, {-2, h - e}}, t));
        break;
    case 'K':
        g.addPath(Stroke({{e, -2}, {e, h + 2}}, t));
        g.addPath(Stroke({{t, h / 2}, {w - e - 6, e}, {w + 4, e}}, t));
        g.addPath(Stroke({{t, h / 2}, {w - e - 6, h - e}, {w + 4, h - e}}, t));
        break;
    default:
        break;
    }
    // Clip to the cell with its outer corners cut, for a machined look.
    const double k = w > 12 ? 5.0 : 1.5;
    const QPainterPath cell =
        Poly({{k, 0}, {w - k, 0}, {w, k}, {w, h - k}, {w - k, h}, {k, h}, {0, h - k}, {0, k}});
    return g.simplified().intersected(cell);
}

QPainterPath TitlePath()
{
    const QString name = QStringLiteral("TARVISK");
    const double h = kTitle.height;
    std::array<double, 7> widths{};
    double total = 0;
    for (int i = 0; i < name.size(); ++i) {
        widths[static_cast<std::size_t>(i)] = name[i] == QLatin1Char('I') ? 7.0 : 48.0;
        total += widths[static_cast<std::size_t>(i)];
    }
    const double gap = (kTitle.width - 1 - total) / (name.size() - 1);
    QPainterPath title;
    double x = kTitle.left;
    for (int i = 0; i < name.size(); ++i) {
        const double w = widths[static_cast<std::size_t>(i)];
        title.addPath(QTransform::fromTranslate(x, kTitle.top)
                          .map(SquaredGlyph(static_cast<char>(name[i].unicode()), w, h - 1)));
        x += w + gap;
    }
    return title;
}

void PaintTitle(QPainter& p)
{
    const QPainterPath title = TitlePath();
    PaintHalo(p, title, {0, 0}, 7.0, 4, Rgb(96, 70, 255), 1.5);
    PaintHalo(p, title, {0, 0}, 2.0, 1, Rgb(150, 130, 255), 1.2);
    PaintHalo(p, title, {2.0, 2.5}, 0.0, 1, Rgb(10, 4, 30), 0.8);
    QLinearGradient metal(0, kTitle.top, 0, kTitle.Bottom());
    metal.setColorAt(0.00, Rgb(255, 255, 255));
    metal.setColorAt(0.30, Rgb(222, 224, 236));
    metal.setColorAt(0.48, Rgb(150, 152, 172));
    metal.setColorAt(0.52, Rgb(104, 104, 128));
    metal.setColorAt(0.62, Rgb(190, 192, 210));
    metal.setColorAt(1.00, Rgb(250, 250, 255));
    p.setPen(QPen(Rgb(34, 24, 80), 1.0));
    p.setBrush(metal);
    p.drawPath(title);
    p.setClipPath(title);
    p.setPen(QPen(Rgb(255, 255, 255, 170), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(QTransform::fromTranslate(0.8, 0.8).map(title));
    p.setClipping(false);
}

} // namespace

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
