#include "toolkit/qt/qt_accessible.h"

#include "toolkit/qt/atspi_checkable.h"
#include "toolkit/qt/qt_controls.h"

#include <QAccessibleWidget>

namespace tk::qt {

namespace {

// A picture box reads as the window described it. None offers an action
// beyond taking the focus: keys have no handler here. One never described
// reads as hidden: the canvases lie outside the window.
class PictureBoxAccessible final : public QAccessibleWidget {
public:
    explicit PictureBoxAccessible(QtPictureBox* box) : QAccessibleWidget(box), box_(box) {}

    QAccessible::Role role() const override
    {
        switch (box_->Described().role) {
        case Role::Picture:
            return QAccessible::Graphic;
        case Role::CheckBox:
            return QAccessible::CheckBox;
        case Role::None:
            break;
        }
        return QAccessible::Client;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const Description& described = box_->Described();
        state.invisible = state.invisible || described.role == Role::None;
        if (described.role == Role::CheckBox) {
            state.checkable = true;
            state.checked = described.checked;
        }
        return state;
    }

private:
    QtPictureBox* box_;
};

// Qt's own combo box gives its current entry as its name on Linux; this one
// is named by the label that names it, and its entry is its value.
class ComboAccessible final : public QAccessibleWidget {
public:
    explicit ComboAccessible(QtComboWidget* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox), combo_(combo)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return combo_->currentText();
        if (t == QAccessible::Name && !combo_->AccessibleName().empty())
            return QString::fromStdString(combo_->AccessibleName());
        return QAccessibleWidget::text(t);
    }

private:
    QtComboWidget* combo_;
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (auto* box = qobject_cast<QtPictureBox*>(object))
        return new PictureBoxAccessible(box);
    if (auto* combo = qobject_cast<QtComboWidget*>(object))
        return new ComboAccessible(combo);
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    QAccessible::installFactory(Factory);
    InstallCheckableStates();
}

} // namespace tk::qt
