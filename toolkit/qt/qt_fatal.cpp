#include "toolkit/qt/qt_fatal.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <unistd.h>

namespace tk::qt {

namespace {
bool failing = false;
}

bool Failing() { return failing; }

[[noreturn]] void FatalError(const char* what)
{
    // The message box runs an event loop of its own; a second failure
    // meanwhile ends the program without a second box.
    if (failing)
        _exit(1);
    failing = true;
    std::fprintf(stderr, "tarvisk: run-time error: %s\n", what);
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QMessageBox::critical(nullptr, QStringLiteral("Tarvisk"),
                              QStringLiteral("Run-time error:\n%1").arg(QString::fromUtf8(what)));
    // Leave from inside the event loop without running destructors under it.
    std::fflush(nullptr);
    _exit(1);
}

} // namespace tk::qt
