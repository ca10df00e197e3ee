#include "toolkit/qt/qt_accessible.h"

#include "toolkit/qt/qt_controls.h"

#include <QAccessibleWidget>

namespace tk::qt {

namespace {

// A picture box with a name is a picture one can click; one that shows on
// or off is a check box with that state. Neither offers an action beyond
// taking the focus: keys have no handler here.
class PictureBoxAccessible final : public QAccessibleWidget {
public:
    explicit PictureBoxAccessible(QtPictureBox* box) : QAccessibleWidget(box, RoleOf(*box)), box_(box) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (box_->Design().checkable) {
            state.checkable = true;
            state.checked = box_->Lit();
        }
        return state;
    }

private:
    static QAccessible::Role RoleOf(const QtPictureBox& box)
    {
        if (box.Design().checkable)
            return QAccessible::CheckBox;
        return box.Design().accessible_name.empty() ? QAccessible::Client : QAccessible::Graphic;
    }

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
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        for (const auto& [label, relation] : relations(QAccessible::Label)) {
            QString name = label->text(QAccessible::Name);
            if (name.endsWith(QLatin1Char(':')))
                name.chop(1);
            return name;
        }
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

void InstallAccessibility() { QAccessible::installFactory(Factory); }

} // namespace tk::qt
