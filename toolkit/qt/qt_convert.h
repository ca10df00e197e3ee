#pragma once
// Conversions between the design's plain values and Qt's.

#include "toolkit/form_design.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <cmath>
#include <string>
#include <string_view>

namespace tk::qt {

inline QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// Points at 96 dots per inch, as the window's pixel layout assumes.
inline QFont ToQFont(const Font& font)
{
    QFont qfont(QStringLiteral("DejaVu Sans"));
    qfont.setStyleHint(QFont::SansSerif);
    if (font.points > 0)
        qfont.setPixelSize(static_cast<int>(std::lround(font.points * 96.0 / 72.0)));
    qfont.setBold(font.bold);
    return qfont;
}

inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStd(const QString& text) { return text.toUtf8().toStdString(); }

} // namespace tk::qt
