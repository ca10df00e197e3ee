#pragma once
// The window's controls as Qt widgets: picture boxes that show a retained
// image, the combo box, the timer, the button and the label.

#include "toolkit/combo_box.h"
#include "toolkit/picture_box.h"
#include "toolkit/timer_base.h"

#include <QImage>
#include <QWidget>

class QComboBox;
class QTimer;

namespace tk::qt {

class QtForm;

class QtPictureBox final : public QWidget, public PictureBoxBase {
public:
    QtPictureBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent);
    ~QtPictureBox() override;

    Hdc hDC() override { return hdc_; }
    void Refresh() override;
    const QImage& Retained() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void DrawPicture(const tk::Picture* picture) override;

    QtForm& form_;
    ControlId id_;
    QImage image_;
    Hdc hdc_ = 0;
};

class QtComboBox final : public ComboBoxBase {
public:
    QtComboBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent);
    // The list widget outlives this object while the window closes, and
    // leaving its text field may still report a choice.
    ~QtComboBox() override;

    QWidget* Widget() const;
    void AddItem(const std::string& text) override;
    int ListCount() const override;
    std::string List(int index) const override;
    int ListIndex() const override;
    std::string Text() const override;

private:
    void Choose(int index) override;

    QComboBox* combo_;
    QMetaObject::Connection activated_;
};

class QtTimer final : public TimerBase {
public:
    QtTimer(QtForm& form, ControlId id, const ControlDesign& design, QObject* parent);
    ~QtTimer() override;

private:
    void Apply() override;

    QTimer* timer_; // a child of the window, found there by name
};

// The exit button and the label: widgets with no state of the toolkit's.
QWidget* MakeButton(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent);
QWidget* MakeLabel(const ControlDesign& design, QWidget* parent);

} // namespace tk::qt
