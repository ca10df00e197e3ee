// The controls drawn over the headstock: the pegs, the loop word, the
// toggle switch and its lamp.

#include "tools/artgen/art_layers.h"
#include "tools/artgen/art_shapes.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>

namespace tarvisk::art::detail {

void PaintPeg(QPainter& p, const Peg& peg, const Fonts& fonts, bool lit)
{
    if (lit) {
        QPainterPath glow = ButtonShape(peg);
        glow.addPath(
            FittedText(fonts.sans_bold, QString(QChar(peg.name)),
                       QRectF(peg.letter.left, peg.letter.top, peg.letter.width - 1, peg.letter.height - 1)));
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

    const QPainterPath letter = FittedText(
        fonts.sans_bold, QString(QChar(peg.name)),
        QRectF(peg.letter.left + 0.5, peg.letter.top + 0.5, peg.letter.width - 1.5, peg.letter.height - 1.5));
    p.fillPath(QTransform::fromTranslate(0.8, 0.8).map(letter), Rgb(10, 5, 2, 170));
    p.fillPath(letter, lit ? Rgb(255, 236, 230) : Rgb(250, 250, 250));
}

void PaintLoopWord(QPainter& p, const Fonts& fonts)
{
    const QPainterPath word = FittedText(
        fonts.sans_bold, QStringLiteral("Loop"),
        QRectF(kLoopWord.left + 0.5, kLoopWord.top + 0.5, kLoopWord.width - 2.5, kLoopWord.height - 2.5));
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

} // namespace tarvisk::art::detail
