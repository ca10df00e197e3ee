#pragma once
// The Qt 6 Widgets backend: process, screen, block transfer and windows on
// Linux. The application object is made on first need, so a second instance
// ends before it ever talks to the display.

#include "toolkit/platform.h"
#include "toolkit/retained_images.h"

#include <memory>

class QApplication;

namespace tk::qt {

// One artwork pixel must be one screen pixel: call before anything of Qt.
void PrepareEnvironment();

class QtPlatform final : public Process, public Screen, public RetainedImages, public Forms {
public:
    // desktop_id names the desktop entry that belongs to the program.
    QtPlatform(int& argc, char** argv, const char* desktop_id = nullptr);
    ~QtPlatform() override;

    // Process
    bool AnotherInstanceRunning() override;
    std::string ExecutableFolder() override;
    [[noreturn]] void EndAtOnce() override;
    void DoEvents() override;
    // Screen
    float Width() const override;
    float Height() const override;
    // Forms
    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events) override;

    // Runs the window's events until the last window is closed; returns at
    // once when it was closed already, before the event loop ran.
    int Run();
    void LastWindowClosed();
    QApplication& App();

private:
    int& argc_;
    char** argv_;
    const char* desktop_id_;
    bool ended_ = false;
    std::unique_ptr<QApplication> app_;
};

} // namespace tk::qt
