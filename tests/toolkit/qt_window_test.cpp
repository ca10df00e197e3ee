// The real window on the offscreen platform: what it shows, pixel by pixel,
// and where presses land.

#include "qt_fixture.h"

#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_form.h"
#include "tools/tunes/default_sets.h"
#include "window/paint.h"
#include "window/tuner_form.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QProperty>
#include <QTimer>

namespace tarvisk::testing_qt {
namespace {

class WindowPixels : public QtWindowTest {
protected:
    void SetUp() override
    {
        MakeLibrary({"Acoustic", "Electric"});
        Start();
        unlit_ = Art(tk::ImageId::UnlitArtwork);
        lit_ = Art(tk::ImageId::LitArtwork);
        ASSERT_FALSE(unlit_.isNull());
        ASSERT_FALSE(lit_.isNull());
    }
    QImage unlit_, lit_;
};

TEST_F(WindowPixels, AfterStartEveryStringShowsTheUnlitAndTheToggleTheLitArtwork)
{
    const QImage shot = Grab();
    ASSERT_EQ(shot.size(), QSize(384, 550));
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(Differences(shot, unlit_, Rect(ctl::Picture1(i))), 0) << i;
    EXPECT_EQ(Differences(shot, lit_, Rect(ctl::Picture2)), 0);
    // The artwork around the controls is the window's own background.
    EXPECT_EQ(Differences(shot, unlit_, QRect(150, 0, 100, 400)), 0);
}

TEST_F(WindowPixels, LightingOneStringShowsTheLitArtworkThereAndChangesNothingElse)
{
    const QImage before = Grab();
    PaintFromCanvas(Qt(), &Window().Picture1(4), &Window().picAllOn());
    const QImage after = Grab();
    EXPECT_EQ(Differences(after, lit_, Rect(ctl::Picture1(4))), 0);
    QImage masked_before = before, masked_after = after;
    for (QImage* image : {&masked_before, &masked_after})
        for (int y = 151; y < 151 + 84; ++y)
            for (int x = 4; x < 4 + 93; ++x)
                image->setPixel(x, y, 0);
    EXPECT_EQ(masked_before, masked_after);
}

TEST_F(WindowPixels, CanvasesAreUntouchedAndPaintingTwiceEqualsOnce)
{
    auto& on = static_cast<tk::qt::QtPictureBox&>(Window().picAllOn());
    auto& off = static_cast<tk::qt::QtPictureBox&>(Window().picAllOff());
    const QImage on_before = on.Retained(), off_before = off.Retained();
    EXPECT_EQ(off_before.convertToFormat(QImage::Format_RGB32), unlit_);
    EXPECT_EQ(on_before.convertToFormat(QImage::Format_RGB32), lit_);
    PaintFromCanvas(Qt(), &Window().Picture2(), &Window().picAllOff());
    const QImage once = Grab();
    PaintFromCanvas(Qt(), &Window().Picture2(), &Window().picAllOff());
    EXPECT_EQ(Grab(), once);
    EXPECT_EQ(on.Retained(), on_before);
    EXPECT_EQ(off.Retained(), off_before);
}

TEST_F(WindowPixels, PaintedLookSurvivesLaterRedraws)
{
    PaintFromCanvas(Qt(), &Window().Picture1(0), &Window().picAllOn());
    Form().Window().hide();
    Form().Window().show();
    Form().Window().update();
    QCoreApplication::processEvents();
    EXPECT_EQ(Differences(Grab(), lit_, Rect(ctl::Picture1(0))), 0);
}

TEST_F(WindowPixels, PressesCountOnTheRectanglesEdgesAndNotJustOutside)
{
    for (int i = 0; i <= 5; ++i) {
        const QRect r = Rect(ctl::Picture1(i));
        for (QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            sound_.played.clear();
            Press(corner);
            ASSERT_EQ(sound_.played.size(), 1u) << i << " at " << corner.x() << "," << corner.y();
        }
        for (QPoint outside : {r.topLeft() - QPoint(1, 0), r.topLeft() - QPoint(0, 1),
                               r.bottomRight() + QPoint(1, 0), r.bottomRight() + QPoint(0, 1)}) {
            if (Rect(ctl::Picture2).contains(outside))
                continue;
            bool in_another = false;
            for (int j = 0; j <= 5; ++j)
                in_another |= j != i && Rect(ctl::Picture1(j)).contains(outside);
            if (in_another)
                continue;
            sound_.played.clear();
            Press(outside);
            EXPECT_TRUE(sound_.played.empty()) << i << " at " << outside.x() << "," << outside.y();
        }
    }
}

TEST_F(WindowPixels, AnyButtonPressesAStringAndTheToggleButTheLoopWordDoesNothing)
{
    const QPoint g_string = Rect(ctl::Picture1(2)).center();
    Press(g_string, Qt::RightButton);
    ASSERT_EQ(sound_.played.size(), 2u);
    EXPECT_EQ(sound_.played[1].path, process_.folder + "\\Tunes\\Acoustic\\G.wav");
    EXPECT_EQ(sound_.played[1].flags, 9u);
    EXPECT_EQ(Differences(Grab(), lit_, Rect(ctl::Picture1(2))), 0);

    Press(QPoint(300, 385)); // the word "Loop", above the toggle
    EXPECT_EQ(program_.g.LoopMode, 1);
    Press(Rect(ctl::Picture2).center(), Qt::MiddleButton);
    EXPECT_EQ(program_.g.LoopMode, 0);
    EXPECT_EQ(Differences(Grab(), unlit_, Rect(ctl::Picture2)), 0);
    EXPECT_EQ(Differences(Grab(), unlit_, Rect(ctl::Picture1(2))), 0);
}

TEST_F(WindowPixels, ChoosingASetInTheListWhileANoteRepeatsMovesTheLoop)
{
    Press(Rect(ctl::Picture1(5)).center());
    auto* combo = Form().Window().findChild<QComboBox*>("cboSound");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(1);
    emit combo->activated(1); // as a choice in the drop-down list does
    EXPECT_EQ(program_.g.SoundSet, "Electric\\");
    EXPECT_EQ(sound_.played.back().path, process_.folder + "\\Tunes\\Electric\\E.wav");
    EXPECT_EQ(sound_.played.back().flags, 9u);
    EXPECT_EQ(Differences(Grab(), lit_, Rect(ctl::Picture1(5))), 0) << "the string stays lit";
}

TEST_F(WindowPixels, SwitchingTheRunningTimerOnAgainRestartsItsSecond)
{
    Press(Rect(ctl::Picture2).center()); // single-shot
    Press(Rect(ctl::Picture1(1)).center());
    auto* timer = Form().Window().findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->isActive());
    // A restart stops the running count and starts a new one; seen through
    // the timer's own state, not the clock.
    std::vector<bool> states;
    auto watch = timer->bindableActive().addNotifier([&] { states.push_back(timer->isActive()); });
    Press(Rect(ctl::Picture1(3)).center());
    EXPECT_EQ(states, (std::vector<bool>{false, true}))
        << "the light stays a full second after the latest press";
    EXPECT_EQ(timer->interval(), 1000);
}

TEST_F(WindowPixels, CloseBoxRunsTheUnloadStep)
{
    Press(Rect(ctl::Picture1(0)).center());
    const auto played = sound_.played.size();
    EXPECT_TRUE(Form().Window().close());
    EXPECT_EQ(program_.g.LoopMode, 0);
    EXPECT_EQ(sound_.played.size(), played);
    EXPECT_FALSE(Form().Visible());
}

// The default library's set names in the list as the window lays it out:
// the first named is the one chosen, and every name fits the text field
// beside the arrow button.
TEST_F(QtWindowTest, DefaultSetNamesListWithAcousticFirstAndShowUncut)
{
    std::vector<std::string> names;
    for (const tunes::SoundSetDef& set : tunes::kDefaultSets)
        names.emplace_back(set.name);
    MakeLibrary(names);
    Start();
    auto* combo = Form().Window().findChild<QComboBox*>("cboSound");
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), static_cast<int>(names.size()));
    EXPECT_EQ(combo->itemText(0), "Acoustic");
    EXPECT_EQ(combo->currentText(), "Acoustic");

    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    ASSERT_EQ(field, combo->lineEdit()->geometry());
    // QLineEdit keeps two pixels free on either side of its text.
    const int room = field.width() - 2 * 2;
    const QFontMetrics metrics(combo->lineEdit()->font());
    for (const std::string& name : names) {
        const int width = metrics.horizontalAdvance(QString::fromStdString(name));
        EXPECT_LE(width, room) << name;
    }
}

} // namespace
} // namespace tarvisk::testing_qt
