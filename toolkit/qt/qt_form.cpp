#include "toolkit/qt/qt_form.h"

#include "toolkit/folder_list.h"
#include "toolkit/linux/folder_listing.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_convert.h"
#include "toolkit/qt/qt_picture.h"
#include "toolkit/qt/qt_platform.h"
#include "toolkit/qt/x11_window_state.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace tk::qt {

// The window.

QtWindow::QtWindow(QtForm& form) : form_(form) { setAttribute(Qt::WA_OpaquePaintEvent); }

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
    : Form(design, events), platform_(platform), window_(std::make_unique<QtWindow>(*this))
{
    SetBackground(LoadPicture(design.picture));
    window_->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    window_->setWindowTitle(ToQString(design.caption));
    window_->setFixedSize(design.client_width, design.client_height);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, ToQColor(design.back_color));
    window_->setPalette(palette);
    if (auto* qt_picture = dynamic_cast<const QtPicture*>(Picture().get()))
        window_->SetBackground(qt_picture->Image());
    if (auto icon = std::dynamic_pointer_cast<const QtPicture>(LoadPicture(design.icon)))
        window_->setWindowIcon(QIcon(QPixmap::fromImage(icon->Image())));
}

QtForm::~QtForm()
{
    // Controls refer to the window and the form: end them first.
    DestroyControls();
    window_.reset();
}

void QtForm::CreateControls()
{
    const auto& controls = Design().controls;
    QWidget* parent = window_.get();
    for (ControlId id = 0; id < static_cast<ControlId>(controls.size()); ++id) {
        const ControlDesign& c = controls[static_cast<std::size_t>(id)];
        QWidget* widget = nullptr;
        switch (c.kind) {
        case ControlKind::PictureBox:
            widget = &boxes_.Add(id, std::make_unique<QtPictureBox>(*this, id, c, parent));
            break;
        case ControlKind::ComboBox:
            widget = combos_.Add(id, std::make_unique<QtComboBox>(*this, id, c, parent)).Widget();
            break;
        case ControlKind::FolderList:
            folder_lists_.Add(id, std::make_unique<ListedFolderList>(linux_paths::ListSubFolders));
            break;
        case ControlKind::Timer:
            timers_.Add(id, std::make_unique<QtTimer>(*this, id, c, parent));
            break;
        case ControlKind::Button:
            widget = MakeButton(*this, id, c, parent);
            break;
        case ControlKind::Label:
            widget = MakeLabel(c, parent);
            break;
        }
        if (widget)
            widgets_[id] = widget;
    }
    SetFocusOrder();
    SetBuddies();
    if (auto frame = FrameExtents(*window_)) {
        frame_left_ = frame->left;
        frame_top_ = frame->top;
        frame_width_ = frame->left + frame->right;
        frame_height_ = frame->top + frame->bottom;
    }
}

void QtForm::SetFocusOrder()
{
    const auto& controls = Design().controls;
    std::vector<std::pair<int, QWidget*>> focus_order;
    for (auto& [id, widget] : widgets_) {
        const ControlDesign& c = controls[static_cast<std::size_t>(id)];
        // Later controls lie over earlier ones: the combo box covers the label.
        if (c.kind == ControlKind::ComboBox)
            widget->raise();
        if (c.tab_stop && widget->focusPolicy() != Qt::NoFocus)
            focus_order.emplace_back(c.tab_index, widget);
    }
    std::stable_sort(focus_order.begin(), focus_order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focus_order.size(); ++i)
        QWidget::setTabOrder(focus_order[i - 1].second, focus_order[i].second);
    if (!focus_order.empty())
        first_focus_ = focus_order.front().second;
}

void QtForm::SetBuddies()
{
    const auto& controls = Design().controls;
    for (auto& [id, widget] : widgets_) {
        auto* label = qobject_cast<QLabel*>(widget);
        const std::string_view target = controls[static_cast<std::size_t>(id)].labels;
        if (!label || target.empty())
            continue;
        for (auto& [other, named] : widgets_)
            if (controls[static_cast<std::size_t>(other)].name == target)
                label->setBuddy(named);
    }
}

QWidget* QtForm::Widget(ControlId id) const
{
    auto found = widgets_.find(id);
    return found == widgets_.end() ? nullptr : found->second;
}

// Before the window is first shown Qt knows no frame and places the client
// area; the frame the window manager said it will add stands in for it.
OuterRect QtForm::Outer() const
{
    const QRect frame = window_->frameGeometry();
    if (window_->isVisible())
        return {frame.x(), frame.y(), frame.width(), frame.height()};
    return {frame.x() - frame_left_, frame.y() - frame_top_, frame.width() + frame_width_,
            frame.height() + frame_height_};
}

void QtForm::MoveOuterTo(int left, int top)
{
    // Far beyond any screen Qt's own rectangle arithmetic would overflow.
    constexpr int kFar = QWIDGETSIZE_MAX;
    left = std::clamp(left, -kFar, kFar);
    top = std::clamp(top, -kFar, kFar);
    if (window_->isVisible())
        window_->move(left, top);
    else
        window_->move(left + frame_left_, top + frame_top_);
}

void QtForm::Unloaded()
{
    unloaded_ = true;
    platform_.LastWindowClosed();
}

void QtForm::ShowWindow()
{
    if (unloaded_)
        return;
    SkipTaskbar(*window_);
    window_->show();
    platform_.Shown(*window_);
    // The window opens with the focus on the first control of the order.
    if (first_focus_)
        first_focus_->setFocus(Qt::OtherFocusReason);
}

bool QtForm::Visible() const { return window_->isVisible(); }

} // namespace tk::qt
