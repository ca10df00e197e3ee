// The headstock and what is fixed to it: shadows, tuner housings, wood,
// logo, fretboard, nut, bushings and strings.

#include "tools/artgen/art_layers.h"
#include "tools/artgen/art_shapes.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

namespace tarvisk::art::detail {

namespace {

QPainterPath PegSilhouette(const Peg& peg)
{
    QPainterPath p;
    p.addRoundedRect(HousingRect(peg), 4, 4);
    p.addRect(ShaftRect(peg));
    p.addRect(CollarRect(peg));
    p.addPath(ButtonShape(peg));
    return p;
}

} // namespace

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
            const double x = x0 + amp * std::sin(y * 0.012 + phase) + 0.9 * std::sin(y * 0.05 + phase2) +
                drift * y / 550.0;
            if (y == -6)
                line.moveTo(x, y);
            else
                line.lineTo(x, y);
        }
        const int pick = static_cast<int>(rng.Next() % 5u);
        QColor c;
        switch (pick) {
        case 0:
            c = Rgb(44, 10, 6, 150);
            break;
        case 1:
            c = Rgb(58, 14, 8, 120);
            break;
        case 2:
            c = Rgb(100, 34, 20, 70);
            break;
        case 3:
            c = Rgb(90, 28, 16, 90);
            break;
        default:
            c = Rgb(118, 46, 28, 45);
            break;
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
        const QPointF ahead =
            bez(std::min(1.0, t + 0.01), a, b, c, d) - bez(std::max(0.0, t - 0.01), a, b, c, d);
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
        PaintHalo(
            p,
            [&] {
                QPainterPath s;
                s.addEllipse(c, kBushingRadius, kBushingRadius);
                return s;
            }(),
            {1.5, 2.0}, 0.0, 2, Qt::black, 0.6);
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

namespace {

QColor StringColour(int string) { return Wound(string) ? Rgb(196, 156, 104) : Rgb(214, 214, 220); }

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

} // namespace

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
        p.drawArc(QRectF(post.x() - kPostRadius - 0.6, post.y() - kPostRadius - 0.6, 2 * kPostRadius + 1.2,
                         2 * kPostRadius + 1.2),
                  peg.left_side ? -100 * 16 : 80 * 16, 200 * 16);
        QPainterPath end;
        end.moveTo(post);
        end.lineTo(post + QPointF(-inward * 7.5, -3.5));
        PaintString(p, end, s);
    }
}

} // namespace tarvisk::art::detail
