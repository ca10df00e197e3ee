// What a screen reader reads of the window, through Qt's accessibility:
// names, roles, states, the label relation and true places.

#include "qt_fixture.h"

#include "window/tuner_form.h"

#include <QAccessible>
#include <QComboBox>
#include <QTest>

namespace tarvisk::testing_qt {
namespace {

class Accessible : public QtWindowTest {
protected:
    void SetUp() override
    {
        MakeLibrary({"Acoustic", "Electric"});
        Start();
    }

    QAccessibleInterface* Of(tk::ControlId id)
    {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Form().Widget(id));
        EXPECT_NE(iface, nullptr);
        return iface;
    }
};

TEST_F(Accessible, EveryPegIsAPictureNamedForItsStringByNumberAndPlace)
{
    const char* names[] = {"1st string (highest)", "2nd string", "3rd string",
                           "4th string",           "5th string", "6th string (lowest)"};
    for (int i = 0; i < 6; ++i) {
        QAccessibleInterface* peg = Of(ctl::Picture1(i));
        EXPECT_EQ(peg->text(QAccessible::Name), names[i]);
        EXPECT_EQ(peg->role(), QAccessible::Graphic) << i;
        EXPECT_FALSE(peg->text(QAccessible::Description).isEmpty());
        EXPECT_FALSE(peg->state().checkable) << i;
        // Nothing to activate from the keyboard: keys have no handler.
        QAccessibleActionInterface* actions = peg->actionInterface();
        const QStringList offered = actions ? actions->actionNames() : QStringList{};
        EXPECT_TRUE(offered.isEmpty() || offered == QStringList{QAccessibleActionInterface::setFocusAction()})
            << offered.join(',').toStdString();
    }
}

TEST_F(Accessible, LoopToggleIsACheckBoxCheckedWhileLoopModeIsOn)
{
    QAccessibleInterface* loop = Of(ctl::Picture2);
    EXPECT_EQ(loop->text(QAccessible::Name), "Loop");
    EXPECT_EQ(loop->role(), QAccessible::CheckBox);
    EXPECT_TRUE(loop->state().checkable);
    EXPECT_TRUE(loop->state().checked) << "loop mode is on at start";
    QAccessibleActionInterface* actions = loop->actionInterface();
    EXPECT_FALSE(actions && actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));

    // The announcement of each change is heard over AT-SPI, in the
    // screen-reader test of the real program.
    Press(Rect(ctl::Picture2).center());
    EXPECT_FALSE(loop->state().checked);
    EXPECT_TRUE(loop->state().checkable);
    Press(Rect(ctl::Picture2).center());
    EXPECT_TRUE(loop->state().checked);
}

TEST_F(Accessible, SoundListIsNamedByItsLabelAndHoldsTheSetAsItsValue)
{
    QAccessibleInterface* list = Of(ctl::cboSound);
    EXPECT_EQ(list->role(), QAccessible::ComboBox);
    EXPECT_EQ(list->text(QAccessible::Name), "Sound");
    EXPECT_EQ(list->text(QAccessible::Value), "Acoustic");
    const auto labels = list->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), Form().Widget(ctl::Label1));
}

TEST_F(Accessible, ExitButtonKeepsItsNameAndTheCanvasesAreNoContent)
{
    EXPECT_EQ(Of(ctl::Command1)->text(QAccessible::Name), "X");
    for (tk::ControlId canvas : {ctl::picAllOn, ctl::picAllOff}) {
        EXPECT_TRUE(Of(canvas)->text(QAccessible::Name).isEmpty());
        EXPECT_TRUE(Of(canvas)->state().invisible);
    }
}

TEST_F(Accessible, ReportedPlacesAreTheControlsTruePlacesOnScreen)
{
    for (tk::ControlId id : {ctl::Picture1(0), ctl::Picture1(5), ctl::Picture2, ctl::cboSound}) {
        QWidget* widget = Form().Widget(id);
        const QRect truth(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        EXPECT_EQ(Of(id)->rect(), truth) << widget->objectName().toStdString();
        EXPECT_EQ(truth.topLeft(), Form().Window().geometry().topLeft() + Rect(id).topLeft());
    }
}

} // namespace
} // namespace tarvisk::testing_qt
