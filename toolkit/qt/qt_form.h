#pragma once
// The window and its controls as Qt widgets.

#include "toolkit/form.h"

#include <QImage>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QComboBox;
class QTimer;

namespace tk::qt {

class QtPlatform;
class QtForm;

// The pictures a program file carries, from the built-in resources.
class QtPicture final : public tk::Picture {
public:
    explicit QtPicture(QImage image) : image_(std::move(image)) {}
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    const QImage& Image() const { return image_; }

private:
    QImage image_;
};

PictureRef LoadPicture(ImageId id);

// A picture box: a child widget that shows its retained image.
class QtPictureBox final : public QWidget, public PictureBox {
public:
    QtPictureBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent);
    ~QtPictureBox() override;

    int Left() const override { return design_.left; }
    int Top() const override { return design_.top; }
    int Width() const override { return design_.width; }
    int Height() const override { return design_.height; }
    int ScaleMode() const override { return scale_mode_; }
    void SetScaleMode(int mode) override;
    Hdc hDC() override { return hdc_; }
    void Refresh() override;
    PictureRef Picture() const override { return picture_; }
    void SetPicture(const PictureRef& picture) override;

    const QImage& Retained() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QtForm& form_;
    ControlId id_;
    const ControlDesign& design_;
    QImage image_;
    Hdc hdc_ = 0;
    int scale_mode_ = kScaleModePixel;
    PictureRef picture_;
};

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

    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;
    void SetLeft(float twips) override;
    void SetTop(float twips) override;
    PictureRef Picture() const override { return picture_; }
    void Show() override;
    bool Visible() const override;

    QtWindow& Window() { return *window_; }
    // The close command went ahead: the window is gone for good.
    void Unloaded();
    QWidget* Widget(ControlId id) const;
    QtPlatform& Platform() { return platform_; }

    // Raises an event from the user; an error that leaves the handler ends
    // the program with a message.
    template <class Raise>
    void Dispatch(Raise&& raise);
    FormEvents& Handlers() { return Events(); }

protected:
    void CreateControls() override;
    PictureBox& PictureBoxOf(ControlId id) override;
    ComboBox& ComboBoxOf(ControlId id) override;
    FolderList& FolderListOf(ControlId id) override;
    Timer& TimerOf(ControlId id) override;

private:
    QtPlatform& platform_;
    PictureRef picture_;
    std::unique_ptr<QtWindow> window_;
    std::map<ControlId, QWidget*> widgets_;
    QWidget* first_focus_ = nullptr;
    bool unloaded_ = false;
    // The frame the window manager will add, in pixels, until it has: Qt
    // places a window not yet shown by its client area.
    int frame_left_ = 0, frame_top_ = 0, frame_width_ = 0, frame_height_ = 0;
    std::map<ControlId, QtPictureBox*> boxes_;
    std::map<ControlId, std::unique_ptr<ComboBox>> combos_;
    std::map<ControlId, std::unique_ptr<FolderList>> folder_lists_;
    std::map<ControlId, std::unique_ptr<Timer>> timers_;
};

[[noreturn]] void FatalError(const char* what);
// True once an error is ending the program: events are no longer handled.
bool Failing();

template <class Raise>
void QtForm::Dispatch(Raise&& raise)
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
