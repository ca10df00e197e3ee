#pragma once
// The window's controls as Qt widgets: picture boxes that show a retained
// image, the combo box, the timer, the button and the label.

#include "toolkit/combo_box.h"
#include "toolkit/picture_box.h"
#include "toolkit/retained_images.h"
#include "toolkit/timer_base.h"

#include <QComboBox>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <vector>

class QTimer;

namespace tk::qt {

class QtForm;

class QtPictureBox final : public QWidget, public PictureBoxBase {
    Q_OBJECT

public:
    QtPictureBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent);
    ~QtPictureBox() override;

    void Refresh() override;
    // 32-bit, or the 8-bit picture that fills it; made when first needed.
    const QImage& Retained() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void DrawPicture(const tk::Picture* picture) override;
    void Redescribed(const Description& before) override;
    void Blank() const;
    PixelView View(PixelAccess access);

    QtForm& form_;
    ControlId id_;
    mutable QImage image_;
    std::vector<std::uint32_t> palette_; // of an 8-bit image
};

// The combo box's widget, a class of its own for its accessible interface.
class QtComboWidget final : public QComboBox {
    Q_OBJECT

public:
    QtComboWidget(std::string accessible_name, QWidget* parent)
        : QComboBox(parent), accessible_name_(std::move(accessible_name))
    {
    }
    // The name its label gives it.
    const std::string& AccessibleName() const { return accessible_name_; }

private:
    std::string accessible_name_;
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
