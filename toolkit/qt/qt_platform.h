#pragma once
// The Qt 6 Widgets backend: process, screen, block transfer and windows on
// Linux. The application object is made on first need, so a second instance
// ends before it ever talks to the display.

#include "toolkit/platform.h"
#include "toolkit/qt/font_warmup.h"
#include "toolkit/qt/qt_screen.h"
#include "toolkit/retained_images.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QApplication;

namespace tk::qt {

class QtPictureBox;

// One artwork pixel must be one screen pixel: call before anything of Qt.
void PrepareEnvironment();

class QtPlatform final : public Process, public RetainedImages, public Forms {
public:
    // program is the command's own name (argv[0]): Qt is given nothing else
    // of the command line, so none of its options take effect. desktop_id
    // names the desktop entry that belongs to the program.
    explicit QtPlatform(const char* program, const char* desktop_id = nullptr);
    ~QtPlatform() override;

    // Process
    bool AnotherInstanceRunning() override;
    std::string ExecutableFolder() override;
    [[noreturn]] void EndAtOnce() override;
    void DoEvents() override;
    // Forms
    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events) override;

    // Runs the window's events until the last window is closed; returns at
    // once when it was closed already, before the event loop ran.
    int Run();
    void LastWindowClosed();
    QApplication& App();
    // A window just shown: the next DoEvents returns once it has painted.
    void Shown(QWidget& window);

    QtScreen screen;

    // A picture box's retained image, known by its drawing context.
    Hdc Retain(QtPictureBox& box, Pixels pixels);
    void Release(Hdc hdc);

private:
    std::string program_;
    int argc_ = 1;
    char* argv_[2] = {};
    const char* desktop_id_;
    bool ended_ = false;
    FontWarmup fonts_;
    std::unique_ptr<QApplication> app_;
    QPointer<QWidget> shown_; // cleared if the window goes first
};

} // namespace tk::qt
