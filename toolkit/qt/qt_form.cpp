#include "toolkit/qt/qt_form.h"

#include "toolkit/error.h"
#include "toolkit/linux/folder_listing.h"
#include "toolkit/qt/qt_platform.h"
#include "toolkit/qt/x11_window_state.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace tk::qt {

namespace {

QColor ToQColor(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

// Points at 96 dots per inch, as the window's pixel layout assumes.
QFont ToQFont(const Font& font)
{
    QFont qfont(QStringLiteral("DejaVu Sans"));
    qfont.setStyleHint(QFont::SansSerif);
    if (font.points > 0)
        qfont.setPixelSize(static_cast<int>(std::lround(font.points * 96.0 / 72.0)));
    qfont.setBold(font.bold);
    return qfont;
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

int ToPixels(float twips)
{
    if (!std::isfinite(twips))
        throw Error("Invalid property value");
    double pixels = std::nearbyint(static_cast<double>(twips) / 15.0);
    if (std::fabs(pixels) > 1e6)
        throw Error("Invalid property value");
    return static_cast<int>(pixels);
}

class QtComboBox final : public ComboBox {
public:
    QtComboBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent)
        : form_(form), id_(id), combo_(new QComboBox(parent))
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
        // A choice in the list, by mouse or keys; Qt's editable combo box
        // also counts a typed entry name confirmed with Return or by leaving
        // the field.
        activated_ = QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) {
            form_.Dispatch([&](FormEvents&) { Select(index); });
        });
    }

    // The list widget outlives this object while the window closes, and
    // leaving its text field may still report a choice.
    ~QtComboBox() override { QObject::disconnect(activated_); }

    QWidget* Widget() const { return combo_; }

    void AddItem(const std::string& text) override
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
    int ListCount() const override { return combo_->count(); }
    std::string List(int index) const override { return ToStd(combo_->itemText(index)); }
    int ListIndex() const override { return combo_->currentIndex(); }
    void SetListIndex(int index) override
    {
        if (index < -1 || index >= combo_->count())
            throw Error("Invalid property value");
        Select(index);
    }
    std::string Text() const override { return ToStd(combo_->currentText()); }

private:
    void Select(int index)
    {
        {
            const QSignalBlocker block(combo_);
            combo_->setCurrentIndex(index);
        }
        form_.Handlers().Click(id_);
    }

    QtForm& form_;
    ControlId id_;
    QComboBox* combo_;
    QMetaObject::Connection activated_;
};

class QtFolderList final : public FolderList {
public:
    std::string Path() const override { return path_; }
    void SetPath(const std::string& folder) override
    {
        auto listed = linux_paths::ListSubFolders(folder);
        if (!listed) {
            // Nothing is listed for a folder that cannot be opened, rather
            // than the folder held before.
            entries_.clear();
            throw Error("Path not found");
        }
        path_ = folder;
        entries_ = std::move(*listed);
    }
    void Refresh() override
    {
        if (path_.empty())
            return;
        auto listed = linux_paths::ListSubFolders(path_);
        entries_ = listed ? std::move(*listed) : std::vector<std::string>{};
    }
    std::int16_t ListCount() const override
    {
        return static_cast<std::int16_t>(std::min<std::size_t>(entries_.size(), 32767));
    }
    std::string List(int index) const override
    {
        if (index < 0 || index >= ListCount())
            throw Error("Invalid property array index");
        return entries_[static_cast<std::size_t>(index)];
    }

private:
    std::string path_;
    std::vector<std::string> entries_;
};

class QtTimer final : public Timer {
public:
    QtTimer(QtForm& form, ControlId id, const ControlDesign& design, QObject* parent)
        : form_(form), id_(id), timer_(new QTimer(parent))
    {
        timer_->setObjectName(ToQString(design.name));
        timer_->setInterval(design.interval_ms);
        QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
            form_.Dispatch([&](FormEvents& events) { events.TimerFired(id_); });
        });
        SetEnabled(design.enabled);
    }
    ~QtTimer() override { delete timer_; }
    bool Enabled() const override { return timer_->isActive(); }
    void SetEnabled(bool enabled) override
    {
        // start() on a running timer starts its interval afresh: the light
        // stays a full second after the latest press.
        if (enabled && timer_->interval() > 0)
            timer_->start();
        else
            timer_->stop();
    }
    int Interval() const override { return timer_->interval(); }
    void SetInterval(int ms) override
    {
        if (ms < 0)
            throw Error("Invalid property value");
        timer_->setInterval(ms);
        if (ms == 0)
            timer_->stop();
    }

private:
    QtForm& form_;
    ControlId id_;
    QTimer* timer_; // a child of the window, found there by name
};

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

namespace {
bool failing = false;
}

bool Failing()
{
    return failing;
}

[[noreturn]] void FatalError(const char* what)
{
    // The message box runs an event loop of its own; a second failure
    // meanwhile ends the program without a second box.
    if (failing)
        _exit(1);
    failing = true;
    std::fprintf(stderr, "tarvisk: run-time error: %s\n", what);
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QMessageBox::critical(nullptr, QStringLiteral("Tarvisk"),
                              QStringLiteral("Run-time error:\n%1").arg(QString::fromUtf8(what)));
    // Leave from inside the event loop without running destructors under it.
    std::fflush(nullptr);
    _exit(1);
}

PictureRef LoadPicture(ImageId id)
{
    QString path;
    switch (id) {
    case ImageId::UnlitArtwork:
        path = QStringLiteral(":/art/unlit.png");
        break;
    case ImageId::LitArtwork:
        path = QStringLiteral(":/art/lit.png");
        break;
    case ImageId::Icon:
        path = QStringLiteral(":/art/icon.png");
        break;
    case ImageId::None:
        return nullptr;
    }
    QImage image(path);
    if (image.isNull())
        return nullptr;
    // Painting copies 32-bit pixels; convert once, here.
    if (id != ImageId::Icon)
        image = image.convertToFormat(QImage::Format_RGB32);
    return std::make_shared<QtPicture>(std::move(image));
}

// Picture boxes.

QtPictureBox::QtPictureBox(QtForm& form, ControlId id, const ControlDesign& design, QWidget* parent)
    : QWidget(parent), form_(form), id_(id), design_(design),
      image_(design.width, design.height, QImage::Format_RGB32)
{
    setObjectName(ToQString(design.name) + (design.index >= 0 ? QStringLiteral("(%1)").arg(design.index) : QString()));
    setGeometry(design.left, design.top, design.width, design.height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(design.tab_stop ? Qt::TabFocus : Qt::NoFocus);
    image_.fill(ToQColor(design.back_color));
    hdc_ = form_.Platform().Register(image_);
    if (design.picture != ImageId::None)
        SetPicture(LoadPicture(design.picture));
}

QtPictureBox::~QtPictureBox()
{
    form_.Platform().Unregister(image_);
}

void QtPictureBox::SetScaleMode(int mode)
{
    if (mode < 0 || mode > 7)
        throw Error("Invalid property value");
    scale_mode_ = mode;
}

void QtPictureBox::Refresh()
{
    repaint();
}

void QtPictureBox::SetPicture(const PictureRef& picture)
{
    picture_ = picture;
    // Draw into the box's own buffer, which then belongs to nobody else.
    image_.fill(ToQColor(design_.back_color));
    if (auto* qt_picture = dynamic_cast<const QtPicture*>(picture.get())) {
        QPainter painter(&image_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, qt_picture->Image());
    }
    update();
}

void QtPictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void QtPictureBox::mousePressEvent(QMouseEvent* event)
{
    std::int16_t button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        QWidget::mousePressEvent(event);
        return;
    }
    std::int16_t shift = 0;
    const auto modifiers = event->modifiers();
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    const QPointF at = event->position();
    const auto index = static_cast<std::int16_t>(design_.index);
    form_.Dispatch([&](FormEvents& events) {
        events.MouseDown(id_, index, button, shift, static_cast<float>(at.x()), static_cast<float>(at.y()));
    });
}

// The window.

QtWindow::QtWindow(QtForm& form) : form_(form)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void QtWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (background_.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(0, 0, background_);
}

void QtWindow::closeEvent(QCloseEvent* event)
{
    std::int16_t cancel = 0;
    form_.Dispatch([&](FormEvents& events) { events.Unload(cancel); });
    if (cancel != 0) {
        event->ignore();
        return;
    }
    event->accept();
    form_.Unloaded();
}

QtForm::QtForm(QtPlatform& platform, const FormDesign& design, FormEvents& events)
    : Form(design, events), platform_(platform), picture_(LoadPicture(design.picture)),
      window_(std::make_unique<QtWindow>(*this))
{
    window_->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    window_->setWindowTitle(ToQString(design.caption));
    window_->setFixedSize(design.client_width, design.client_height);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, ToQColor(design.back_color));
    window_->setPalette(palette);
    if (auto* qt_picture = dynamic_cast<const QtPicture*>(picture_.get()))
        window_->SetBackground(qt_picture->Image());
    if (auto icon = std::dynamic_pointer_cast<const QtPicture>(LoadPicture(design.icon)))
        window_->setWindowIcon(QIcon(QPixmap::fromImage(icon->Image())));
}

QtForm::~QtForm()
{
    // Controls that are not widgets refer to the form: end them first.
    timers_.clear();
    combos_.clear();
    window_.reset();
}

void QtForm::CreateControls()
{
    const auto& controls = Design().controls;
    std::vector<std::pair<int, QWidget*>> focus_order;
    for (ControlId id = 0; id < static_cast<ControlId>(controls.size()); ++id) {
        const ControlDesign& c = controls[static_cast<std::size_t>(id)];
        QWidget* widget = nullptr;
        switch (c.kind) {
        case ControlKind::PictureBox: {
            auto* box = new QtPictureBox(*this, id, c, window_.get());
            boxes_[id] = box;
            widget = box;
            break;
        }
        case ControlKind::ComboBox: {
            auto combo = std::make_unique<QtComboBox>(*this, id, c, window_.get());
            widget = combo->Widget();
            combos_[id] = std::move(combo);
            break;
        }
        case ControlKind::FolderList:
            folder_lists_[id] = std::make_unique<QtFolderList>();
            break;
        case ControlKind::Timer:
            timers_[id] = std::make_unique<QtTimer>(*this, id, c, window_.get());
            break;
        case ControlKind::Button: {
            auto* button = new QtButton(ToQString(c.text), window_.get());
            button->setObjectName(ToQString(c.name));
            button->setGeometry(c.left, c.top, c.width, c.height);
            button->setFont(ToQFont(c.font));
            button->setAutoDefault(false);
            button->setDefault(false);
            button->setFocusPolicy(Qt::TabFocus);
            QObject::connect(button, &QPushButton::clicked, button, [this, id] {
                Dispatch([&](FormEvents& events) { events.Click(id); });
            });
            widget = button;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(ToQString(c.text), window_.get());
            label->setObjectName(ToQString(c.name));
            label->setGeometry(c.left, c.top, c.width, c.height);
            label->setFont(ToQFont(c.font));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setAutoFillBackground(false);
            label->setAttribute(Qt::WA_TransparentForMouseEvents, false);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, ToQColor(c.fore_color));
            label->setPalette(palette);
            label->setFocusPolicy(Qt::NoFocus);
            widget = label;
            break;
        }
        }
        if (widget) {
            widgets_[id] = widget;
            if (c.tab_stop && widget->focusPolicy() != Qt::NoFocus)
                focus_order.emplace_back(c.tab_index, widget);
        }
    }
    // Later controls lie over earlier ones: the combo box covers the label.
    for (auto& [id, widget] : widgets_)
        if (controls[static_cast<std::size_t>(id)].kind == ControlKind::ComboBox)
            widget->raise();
    std::stable_sort(focus_order.begin(), focus_order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focus_order.size(); ++i)
        QWidget::setTabOrder(focus_order[i - 1].second, focus_order[i].second);
    if (!focus_order.empty())
        first_focus_ = focus_order.front().second;
    if (auto frame = FrameExtents(*window_)) {
        frame_left_ = frame->left;
        frame_top_ = frame->top;
        frame_width_ = frame->left + frame->right;
        frame_height_ = frame->top + frame->bottom;
    }
}

PictureBox& QtForm::PictureBoxOf(ControlId id) { return ControlIn(boxes_, id); }
ComboBox& QtForm::ComboBoxOf(ControlId id) { return ControlIn(combos_, id); }
FolderList& QtForm::FolderListOf(ControlId id) { return ControlIn(folder_lists_, id); }
Timer& QtForm::TimerOf(ControlId id) { return ControlIn(timers_, id); }

QWidget* QtForm::Widget(ControlId id) const
{
    auto found = widgets_.find(id);
    return found == widgets_.end() ? nullptr : found->second;
}

// Before the window is first shown Qt knows no frame and places the client
// area; the frame the window manager said it will add stands in for it.
float QtForm::Left() const
{
    const int frame = window_->isVisible() ? 0 : frame_left_;
    return static_cast<float>((window_->frameGeometry().x() - frame) * 15);
}

float QtForm::Top() const
{
    const int frame = window_->isVisible() ? 0 : frame_top_;
    return static_cast<float>((window_->frameGeometry().y() - frame) * 15);
}

float QtForm::Width() const
{
    const int frame = window_->isVisible() ? 0 : frame_width_;
    return static_cast<float>((window_->frameGeometry().width() + frame) * 15);
}

float QtForm::Height() const
{
    const int frame = window_->isVisible() ? 0 : frame_height_;
    return static_cast<float>((window_->frameGeometry().height() + frame) * 15);
}

void QtForm::SetLeft(float twips)
{
    const int frame = window_->isVisible() ? 0 : frame_left_;
    window_->move(ToPixels(twips) + frame, window_->frameGeometry().y());
}

void QtForm::SetTop(float twips)
{
    const int frame = window_->isVisible() ? 0 : frame_top_;
    window_->move(window_->frameGeometry().x(), ToPixels(twips) + frame);
}

void QtForm::Unloaded()
{
    unloaded_ = true;
    platform_.LastWindowClosed();
}

void QtForm::Show()
{
    Load();
    if (unloaded_ || window_->isVisible())
        return;
    SkipTaskbar(*window_);
    window_->show();
    // The window opens with the focus on the first control of the order.
    if (first_focus_)
        first_focus_->setFocus(Qt::OtherFocusReason);
}

bool QtForm::Visible() const
{
    return window_->isVisible();
}

} // namespace tk::qt
