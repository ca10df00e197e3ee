#include "toolkit/qt/qt_controls.h"

#include "toolkit/qt/qt_convert.h"
#include "toolkit/qt/qt_form.h"
#include "toolkit/qt/qt_picture.h"
#include "toolkit/qt/qt_platform.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace tk::qt {

namespace {

// An 8-bit picture's colours, all 256 of them, so that no byte indexes past
// the end.
std::vector<std::uint32_t> PaletteOf(const QImage& image)
{
    std::vector<std::uint32_t> palette(256, qRgb(0, 0, 0));
    const QList<QRgb> colours = image.colorTable();
    std::copy_n(colours.begin(), std::min<qsizetype>(colours.size(), 256), palette.begin());
    return palette;
}

std::int16_t ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

std::int16_t ShiftOf(Qt::KeyboardModifiers modifiers)
{
    std::int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

// A push button that the Return key activates too, as on the original
// platform.
class QtButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            animateClick();
        else
            QPushButton::keyPressEvent(event);
    }
};

} // namespace

// Picture boxes.

QtPictureBox::QtPictureBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent)
    : QWidget(parent), PictureBoxBase(design), form_(form), id_(id)
{
    setObjectName(QString::fromStdString(Name()));
    setGeometry(design.left, design.top, design.width, design.height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(design.tab_stop ? Qt::TabFocus : Qt::NoFocus);
    SetHdc(form_.Platform().Retain(*this, [this](PixelAccess access) { return View(access); }));
    if (design.picture != ImageId::None)
        SetPicture(LoadPicture(design.picture));
}

QtPictureBox::~QtPictureBox() { form_.Platform().Release(hDC()); }

void QtPictureBox::Refresh() { repaint(); }

const QImage& QtPictureBox::Retained() const
{
    if (image_.isNull())
        Blank();
    return image_;
}

void QtPictureBox::Blank() const
{
    image_ = QImage(Design().width, Design().height, QImage::Format_RGB32);
    image_.fill(ToQColor(Design().back_color));
}

// 32-bit rows are whole pixels. The image is the box's own, so bits() does
// not copy it.
PixelView QtPictureBox::View(PixelAccess access)
{
    Retained();
    if (image_.format() == QImage::Format_Indexed8) {
        if (access == PixelAccess::Read)
            return {nullptr,
                    image_.width(),
                    image_.height(),
                    static_cast<int>(image_.bytesPerLine()),
                    image_.constBits(),
                    palette_.data()};
        image_ = image_.convertToFormat(QImage::Format_RGB32);
    }
    return {reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(), image_.height(),
            static_cast<int>(image_.bytesPerLine() / 4)};
}

void QtPictureBox::DrawPicture(const tk::Picture* picture)
{
    const auto* qt_picture = dynamic_cast<const QtPicture*>(picture);
    QImage drawn = qt_picture ? qt_picture->Image() : QImage();
    if (drawn.format() == QImage::Format_Indexed8 && drawn.size() == QSize(Design().width, Design().height)) {
        // A picture that fills the box is kept as it was read, in a quarter
        // of the memory of 32-bit pixels.
        palette_ = PaletteOf(drawn);
        image_ = std::move(drawn);
    } else {
        // Drawn into the box's own buffer, which then belongs to nobody else.
        Blank();
        if (!drawn.isNull()) {
            QPainter painter(&image_);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, drawn);
        }
    }
    update();
}

void QtPictureBox::Redescribed(const Description& before)
{
    // Qt announces a new name or description by itself.
    if (before.name != Described().name)
        setAccessibleName(QString::fromStdString(Described().name));
    if (before.description != Described().description)
        setAccessibleDescription(QString::fromStdString(Described().description));
    QAccessible::State changed;
    changed.checked = before.checked != Described().checked;
    changed.checkable = (before.role == Role::CheckBox) != (Described().role == Role::CheckBox);
    changed.invisible = (before.role == Role::None) != (Described().role == Role::None);
    if (changed.checked || changed.checkable || changed.invisible) {
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void QtPictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Retained());
}

void QtPictureBox::mousePressEvent(QMouseEvent* event)
{
    const std::int16_t button = ButtonOf(event->button());
    if (button == 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const std::int16_t shift = ShiftOf(event->modifiers());
    const QPointF at = event->position();
    const auto index = static_cast<std::int16_t>(Design().index);
    form_.Dispatch([&](FormEvents& events) {
        events.MouseDown(id_, index, button, shift, static_cast<float>(at.x()), static_cast<float>(at.y()));
    });
}

// The combo box.

QtComboBox::QtComboBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent)
    : ComboBoxBase(form.Handlers(), id), combo_(new QtComboWidget(LabelledName(form.Design(), id), parent))
{
    combo_->setObjectName(ToQString(design.name));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setGeometry(design.left, design.top, design.width, design.height);
    combo_->setFont(ToQFont(design.font));
    const QString back = ToQColor(design.back_color).name();
    const QString fore = ToQColor(design.fore_color).name();
    combo_->setStyleSheet(QStringLiteral("QComboBox, QComboBox QLineEdit, QComboBox QAbstractItemView "
                                         "{ background: %1; color: %2; selection-background-color: %2; "
                                         "selection-color: %1; }")
                              .arg(back, fore));
    combo_->setEditText(ToQString(design.text));
    // Typed text stays text, as in the native combo box: no inline
    // completion, and neither Return nor leaving the field picks the entry
    // whose name was typed. Only a change of the selected entry counts.
    combo_->setCompleter(nullptr);
    QObject::disconnect(combo_->lineEdit(), &QLineEdit::returnPressed, combo_, nullptr);
    QObject::disconnect(combo_->lineEdit(), &QLineEdit::editingFinished, combo_, nullptr);
    // A choice in the list, by mouse or keys, or Up and Down in the field.
    activated_ = QObject::connect(combo_, &QComboBox::activated, combo_, [this, &form](int index) {
        form.Dispatch([&](FormEvents& events) {
            Choose(index);
            events.Click(Id());
        });
    });
}

QtComboBox::~QtComboBox() { QObject::disconnect(activated_); }

QWidget* QtComboBox::Widget() const { return combo_; }

void QtComboBox::AddItem(const std::string& text)
{
    // Qt selects the first entry added to an empty list by itself; the
    // list keeps its selection and text until one is chosen.
    const QSignalBlocker block(combo_);
    const int index = combo_->currentIndex();
    const QString edit = combo_->currentText();
    combo_->addItem(QString::fromStdString(text));
    if (combo_->currentIndex() != index) {
        combo_->setCurrentIndex(index);
        combo_->setEditText(edit);
    }
}

int QtComboBox::ListCount() const { return combo_->count(); }

std::string QtComboBox::List(int index) const { return ToStd(combo_->itemText(index)); }

int QtComboBox::ListIndex() const { return combo_->currentIndex(); }

std::string QtComboBox::Text() const { return ToStd(combo_->currentText()); }

void QtComboBox::Choose(int index)
{
    const QSignalBlocker block(combo_);
    combo_->setCurrentIndex(index);
}

// The timer.

QtTimer::QtTimer(QtForm& form, ControlId id, const ControlDesign& design, QObject* parent)
    : TimerBase(design), timer_(new QTimer(parent))
{
    timer_->setObjectName(ToQString(design.name));
    QObject::connect(timer_, &QTimer::timeout, timer_,
                     [&form, id] { form.Dispatch([&](FormEvents& events) { events.TimerFired(id); }); });
    Apply();
}

QtTimer::~QtTimer() { delete timer_; }

void QtTimer::Apply()
{
    // start() on a running timer starts its interval afresh: the light
    // stays a full second after the latest press.
    timer_->setInterval(Interval());
    if (Running())
        timer_->start();
    else
        timer_->stop();
}

// Button and label.

QWidget* MakeButton(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent)
{
    auto* button = new QtButton(ToQString(design.text), parent);
    button->setObjectName(ToQString(design.name));
    button->setGeometry(design.left, design.top, design.width, design.height);
    button->setFont(ToQFont(design.font));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    QObject::connect(button, &QPushButton::clicked, button,
                     [&form, id] { form.Dispatch([&](FormEvents& events) { events.Click(id); }); });
    return button;
}

QWidget* MakeLabel(const ControlDesign& design, QWidget* parent)
{
    auto* label = new QLabel(ToQString(design.text), parent);
    label->setObjectName(ToQString(design.name));
    label->setGeometry(design.left, design.top, design.width, design.height);
    label->setFont(ToQFont(design.font));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(design.fore_color));
    label->setPalette(palette);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

} // namespace tk::qt
