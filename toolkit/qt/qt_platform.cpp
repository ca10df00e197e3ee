#include "toolkit/qt/qt_platform.h"

#include "toolkit/blit.h"
#include "toolkit/error.h"
#include "toolkit/linux/executable_folder.h"
#include "toolkit/linux/instance_lock.h"
#include "toolkit/qt/qt_form.h"

#include <QApplication>
#include <QImage>
#include <QScreen>

#include <cstdio>
#include <unistd.h>

namespace tk::qt {

void PrepareEnvironment()
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_DEVICE_PIXEL_RATIO");
}

QtPlatform::QtPlatform(int& argc, char** argv, const char* desktop_id)
    : argc_(argc), argv_(argv), desktop_id_(desktop_id)
{
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
        if (desktop_id_)
            QGuiApplication::setDesktopFileName(QString::fromUtf8(desktop_id_));
    }
    return *app_;
}

bool QtPlatform::AnotherInstanceRunning()
{
    return !linux_instance::TakeInstanceLock();
}

std::string QtPlatform::ExecutableFolder()
{
    return linux_paths::ExecutableFolder();
}

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

float QtPlatform::Width() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        throw Error("No screen");
    return static_cast<float>(screen->geometry().width()) * 15.0f;
}

float QtPlatform::Height() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        throw Error("No screen");
    return static_cast<float>(screen->geometry().height()) * 15.0f;
}

Hdc QtPlatform::Register(QImage& image)
{
    Hdc hdc = reinterpret_cast<Hdc>(&image);
    live_.insert(hdc);
    return hdc;
}

void QtPlatform::Unregister(QImage& image)
{
    live_.erase(reinterpret_cast<Hdc>(&image));
}

namespace {

// Both sides are 32-bit RGB images made by this backend, so rows are whole
// pixels. Each retained image owns its data, so bits() never copies.
PixelView ViewOf(QImage& image)
{
    return {reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
            static_cast<int>(image.bytesPerLine() / 4)};
}

PixelView SourceViewOf(const QImage& image)
{
    auto* pixels = reinterpret_cast<const std::uint32_t*>(image.constBits());
    return {const_cast<std::uint32_t*>(pixels), image.width(), image.height(),
            static_cast<int>(image.bytesPerLine() / 4)};
}

} // namespace

int QtPlatform::BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x,
                       int src_y, std::uint32_t rop)
{
    if (rop != SRCCOPY || !live_.contains(dest) || !live_.contains(src))
        return 0;
    return CopyRect(ViewOf(*reinterpret_cast<QImage*>(dest)), x, y, width, height,
                    SourceViewOf(*reinterpret_cast<QImage*>(src)), src_x, src_y)
               ? 1
               : 0;
}

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
