#include "toolkit/qt/qt_platform.h"

#include "toolkit/error.h"
#include "toolkit/linux/executable_folder.h"
#include "toolkit/linux/instance_lock.h"
#include "toolkit/qt/qt_accessible.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_form.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>
#include <utility>
#include <xcb/xcb.h>

namespace tk::qt {

namespace {

// Under X11 and Wayland a shown window paints when the display server
// exposes it, a round trip after show(); on Windows its paint is already
// waiting when the window is shown. Waiting for it keeps what comes next,
// the sound library's loading, off the path to the first picture. A window
// that is not exposed (on a hidden workspace) holds the program no longer
// than this.
constexpr int kFirstPaintWaitMs = 250;

class ExposeWatch final : public QObject {
public:
    ExposeWatch(QWindow& window, QEventLoop& loop) : window_(window), loop_(loop) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        // Queued: the window paints while its expose event is handled.
        if (event->type() == QEvent::Expose && window_.isExposed())
            QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
        return false;
    }

private:
    QWindow& window_;
    QEventLoop& loop_;
};

void WaitForFirstPaint(QWidget& widget)
{
    QWindow* window = widget.windowHandle();
    if (window == nullptr || !widget.isVisible() || window->isExposed())
        return;
    QEventLoop loop;
    ExposeWatch watch(*window, loop);
    window->installEventFilter(&watch);
    QTimer::singleShot(kFirstPaintWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
    window->removeEventFilter(&watch);
    // Qt sends the picture when it next waits for events; the display
    // server gets it now.
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); x11 && x11->connection())
        xcb_flush(x11->connection());
}

} // namespace

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
        fonts_.Start();
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

void QtPlatform::Shown(QWidget& window) { shown_ = &window; }

void QtPlatform::DoEvents()
{
    App();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (QWidget* window = std::exchange(shown_, nullptr).data())
        WaitForFirstPaint(*window);
}

Hdc QtPlatform::Retain(QtPictureBox& box, Pixels pixels) { return Add(&box, std::move(pixels)); }

void QtPlatform::Release(Hdc hdc) { Remove(hdc); }

std::unique_ptr<Form> QtPlatform::Create(const FormDesign& design, FormEvents& events)
{
    App();
    fonts_.Wait();
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
