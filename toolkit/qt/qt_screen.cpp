#include "toolkit/qt/qt_screen.h"

#include "toolkit/error.h"
#include "toolkit/twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace tk::qt {

namespace {

QRect Primary()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        throw Error("No screen");
    return screen->geometry();
}

} // namespace

float QtScreen::Width() const { return TwipsFromPixels(Primary().width()); }

float QtScreen::Height() const { return TwipsFromPixels(Primary().height()); }

} // namespace tk::qt
