#pragma once
// The top-level window as a Qt widget, holding the controls of
// qt_controls.h.

#include "toolkit/form.h"
#include "toolkit/qt/qt_fatal.h"

#include <QImage>
#include <QWidget>

#include <map>
#include <memory>

namespace tk::qt {

class QtPlatform;
class QtForm;

// The top-level window: its background picture and its close command.
class QtWindow final : public QWidget {
public:
    explicit QtWindow(QtForm& form);
    void SetBackground(QImage image) { background_ = std::move(image); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QtForm& form_;
    QImage background_;
};

class QtForm final : public Form {
public:
    QtForm(QtPlatform& platform, const FormDesign& design, FormEvents& events);
    ~QtForm() override;

    bool Visible() const override;

    QtWindow& Window() { return *window_; }
    // The close command went ahead: the window is gone for good.
    void Unloaded();
    QWidget* Widget(ControlId id) const;
    QtPlatform& Platform() { return platform_; }

    // Raises an event from the user; an error that leaves the handler ends
    // the program with a message.
    template <class Raise> void Dispatch(Raise&& raise);
    FormEvents& Handlers() { return Events(); }

protected:
    void CreateControls() override;
    OuterRect Outer() const override;
    void MoveOuterTo(int left, int top) override;
    void ShowWindow() override;

private:
    void SetFocusOrder();
    void SetBuddies();

    QtPlatform& platform_;
    std::unique_ptr<QtWindow> window_;
    std::map<ControlId, QWidget*> widgets_;
    QWidget* first_focus_ = nullptr;
    bool unloaded_ = false;
    // The frame the window manager will add, in pixels, until it has: Qt
    // places a window not yet shown by its client area.
    int frame_left_ = 0, frame_top_ = 0, frame_width_ = 0, frame_height_ = 0;
};

template <class Raise> void QtForm::Dispatch(Raise&& raise)
{
    if (Failing())
        return;
    try {
        raise(Events());
    } catch (const std::exception& error) {
        FatalError(error.what());
    }
}

} // namespace tk::qt
