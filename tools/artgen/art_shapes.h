#pragma once
// Drawing helpers shared by the layers of the scene: colours, the headstock
// and peg geometry, and the effects several layers use.

#include "tools/artgen/art_layout.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>

class QPainter;

namespace tarvisk::art::detail {

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

QColor Rgb(int r, int g, int b, int a = 255);
QColor Bg();

// --- Geometry shared by several layers -------------------------------------

double LeftEdgeAt(double y);
double NeckHalfWidthAt(double y);
QPainterPath HeadstockOutline();
// The headstock face above the nut, where the binding runs.
QPainterPath HeadstockFace();
QPainterPath Fretboard();
QPointF PostOf(const Peg& peg);

inline constexpr double kPostRadius = 4.2;
inline constexpr double kBushingRadius = 8.5;

// Where each string crosses the nut, by string index (0 = high E).
double NutSlotX(int string);
double StringWidth(int string);
bool Wound(int string);

double HeadstockEdgeAt(const Peg& peg);
// Peg coordinates run outwards from the headstock: u = 0 at the button's
// inner end. These turn them into picture coordinates.
double Outward(const Peg& peg);
double ButtonInnerX(const Peg& peg);
QPainterPath ButtonShape(const Peg& peg);
QRectF CollarRect(const Peg& peg);
QRectF HousingRect(const Peg& peg);
QRectF ShaftRect(const Peg& peg);

// A glyph outline scaled to fill a box's height (or its width, if that is
// the tighter fit) and centred in it.
QPainterPath FittedText(const QString& family, const QString& text, const QRectF& box, double shear = 0.0);

// --- Effects ----------------------------------------------------------------

// Paints a shape's blurred silhouette in one colour: shadows and glows.
void PaintHalo(QPainter& p, const QPainterPath& shape, QPointF offset, double spread, int blur, QColor colour,
               double strength);
QLinearGradient Chrome(QPointF from, QPointF to, int tint = 0);
void FillChromeRect(QPainter& p, const QRectF& r, double radius);

} // namespace tarvisk::art::detail
