// The name across the bottom, in squared capitals.

#include "tools/artgen/art_layers.h"
#include "tools/artgen/art_shapes.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>

#include <array>
#include <initializer_list>

namespace tarvisk::art::detail {

namespace {

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

} // namespace

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

} // namespace tarvisk::art::detail
