#include "toolkit/qt/qt_platform.h"

#include "toolkit/error.h"
#include "toolkit/linux/executable_folder.h"
#include "toolkit/linux/instance_lock.h"
#include "toolkit/qt/qt_accessible.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_form.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

namespace tk::qt {

void PrepareEnvironment()
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_DEVICE_PIXEL_RATIO");
    // Under Wayland the compositor places windows itself and shows every one
    // in its task bar; X11 (XWayland) first keeps the window where it is put
    // and off the task bar. A user's own choice stands.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

QtPlatform::QtPlatform(const char* program, const char* desktop_id)
    : program_(program ? program : "tarvisk"), desktop_id_(desktop_id)
{
    // The window's class comes from argv[0], which the desktop entry's
    // StartupWMClass names.
    argv_[0] = program_.data();
}

QtPlatform::~QtPlatform() = default;

QApplication& QtPlatform::App()
{
    if (!app_) {
        if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
            return *existing;
        app_ = std::make_unique<QApplication>(argc_, argv_);
        // The window is a tool window, which Qt does not count when deciding
        // that the last window has closed; the window quits by itself.
        QApplication::setQuitOnLastWindowClosed(false);
        InstallAccessibility();
        if (desktop_id_)
            QGuiApplication::setDesktopFileName(QString::fromUtf8(desktop_id_));
    }
    return *app_;
}

bool QtPlatform::AnotherInstanceRunning() { return !linux_instance::TakeInstanceLock(); }

std::string QtPlatform::ExecutableFolder() { return linux_paths::ExecutableFolder(); }

void QtPlatform::EndAtOnce()
{
    std::fflush(nullptr);
    _exit(0);
}

void QtPlatform::DoEvents()
{
    App();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

Hdc QtPlatform::Retain(QtPictureBox& box, std::function<PixelView()> pixels) { return Add(&box, std::move(pixels)); }

void QtPlatform::Release(Hdc hdc) { Remove(hdc); }

std::unique_ptr<Form> QtPlatform::Create(const FormDesign& design, FormEvents& events)
{
    App();
    return std::make_unique<QtForm>(*this, design, events);
}

int QtPlatform::Run()
{
    if (ended_)
        return 0;
    return QApplication::exec();
}

void QtPlatform::LastWindowClosed()
{
    ended_ = true;
    QCoreApplication::quit();
}

} // namespace tk::qt
