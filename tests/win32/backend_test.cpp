// The Win32 backend against the real platform (run under Wine or Windows,
// with a display): the window's frame, the retained images and the block
// transfer, the combo box, mouse presses, the timer, closing, the folder
// listing and the single-instance mark.

#include "window/paint.h"
#include "window/tuner_form.h"

#include "../toolkit/conformance/recorder.h"
#include "toolkit/win32/form.h"
#include "toolkit/win32/platform.h"
#include "toolkit/win32/resource.h"
#include "tools/tunes/default_sets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tk::win32 {
namespace {

namespace ctl = tarvisk::ctl;

using conformance::Recorder;

class Backend : public testing::Test {
protected:
    Backend()
        : platform_(::GetModuleHandleA(nullptr), "Tarvisk.BackendTest"),
          form_(platform_.Create(tarvisk::TunerFormDesign(), events_)),
          window_(static_cast<Win32Form&>(*form_))
    {
    }

    ~Backend() override
    {
        // The last window leaving asks the thread's loop to end; the next
        // test starts with a fresh loop.
        form_.reset();
        MSG quit;
        while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    }

    HWND Window() const { return window_.Handle(); }
    HWND Child(ControlId id) const { return ::GetDlgItem(Window(), kFirstChildId + id); }
    Win32PictureBox& Box(ControlId id) { return static_cast<Win32PictureBox&>(form_->PictureBoxAt(id)); }

    Win32Platform platform_;
    Recorder events_;
    std::unique_ptr<Form> form_;
    Win32Form& window_;
};

TEST_F(Backend, FixedToolWindowWithAnExactClientArea)
{
    RECT client{};
    ASSERT_TRUE(::GetClientRect(Window(), &client));
    EXPECT_EQ(client.right, 384);
    EXPECT_EQ(client.bottom, 550);

    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(Window(), GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(::GetWindowLongPtrA(Window(), GWL_EXSTYLE));
    EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ex_style & WS_EX_APPWINDOW);
    EXPECT_TRUE(style & WS_SYSMENU); // the close box
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    char caption[32] = {};
    ::GetWindowTextA(Window(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Tarvisk");
    // Nothing is on screen before the window is shown.
    EXPECT_FALSE(form_->Visible());
}

TEST_F(Backend, ChildWindowsComeWithTheFirstTouch)
{
    EXPECT_EQ(Child(ctl::cboSound), nullptr);
    form_->TimerAt(ctl::Timer1);
    EXPECT_NE(Child(ctl::cboSound), nullptr);
}

TEST_F(Backend, OuterRectangleIsTheWindowRectangleInTwips)
{
    form_->SetLeft(1500);
    form_->SetTop(450);
    RECT outer{};
    ::GetWindowRect(Window(), &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 30);
    EXPECT_EQ(form_->Width(), static_cast<float>((outer.right - outer.left) * 15));
    EXPECT_EQ(form_->Height(), static_cast<float>((outer.bottom - outer.top) * 15));
}

// Every pixel of the target's image against the artwork under it, and the
// canvases left as they were.
TEST_F(Backend, PaintingCopiesTheCanvasUnderTheTargetPixelForPixel)
{
    const auto unlit = LoadBitmapResource(::GetModuleHandleA(nullptr), IDB_UNLIT_ARTWORK);
    const auto lit = LoadBitmapResource(::GetModuleHandleA(nullptr), IDB_LIT_ARTWORK);
    Box(ctl::picAllOff).SetPicture(form_->Picture());

    struct Case {
        const char* name;
        ControlId target;
        ControlId canvas;
        const Dib* artwork;
    };
    const Case cases[] = {
        {"high E lit", ctl::Picture1(0), ctl::picAllOn, lit.get()},
        {"low E lit", ctl::Picture1(5), ctl::picAllOn, lit.get()},
        {"G unlit", ctl::Picture1(2), ctl::picAllOff, unlit.get()},
        {"toggle lit", ctl::Picture2, ctl::picAllOn, lit.get()},
        {"toggle unlit again", ctl::Picture2, ctl::picAllOff, unlit.get()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Win32PictureBox& target = Box(c.target);
        tarvisk::PaintFromCanvas(platform_, &target, &Box(c.canvas));
        int wrong = 0;
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x)
                wrong += target.Retained().At(x, y) != c.artwork->At(target.Left() + x, target.Top() + y);
        EXPECT_EQ(wrong, 0);
    }
    for (int y = 0; y < 550; y += 7)
        for (int x = 0; x < 384; x += 5) {
            ASSERT_EQ(Box(ctl::picAllOn).Retained().At(x, y), lit->At(x, y));
            ASSERT_EQ(Box(ctl::picAllOff).Retained().At(x, y), unlit->At(x, y));
        }
}

TEST_F(Backend, ChoiceInTheDropDownListClicksWithTheNewText)
{
    ComboBox& combo = form_->ComboBoxAt(ctl::cboSound);
    for (const char* name : {"Nylon", "Electric", "acoustic"})
        combo.AddItem(name);
    events_.on_click = [&] { return combo.Text(); };
    HWND box = Child(ctl::cboSound);
    ::SendMessageA(box, CB_SETCURSEL, 2, 0);
    ::SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(kFirstChildId + ctl::cboSound, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(events_.log.back(), "Click 1 acoustic");
    EXPECT_EQ(combo.ListIndex(), 2);
}

TEST_F(Backend, ComboBoxIsDarkRedWithWhiteText)
{
    form_->Load();
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetComboBoxInfo(Child(ctl::cboSound), &info));
    HDC dc = ::GetDC(info.hwndItem);
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(info.hwndItem)));
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(::GetBkColor(dc), RGB(128, 0, 0));
    LOGBRUSH described{};
    ASSERT_TRUE(::GetObjectA(brush, sizeof described, &described));
    EXPECT_EQ(described.lbColor, RGB(128, 0, 0));
    ::ReleaseDC(info.hwndItem, dc);
}

// The text field beside the arrow button, less the edit control's margins,
// holds each default set's name whole in the combo box's own font.
TEST_F(Backend, ComboBoxShowsEveryDefaultSetNameUncut)
{
    form_->Load();
    HWND combo = Child(ctl::cboSound);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetComboBoxInfo(combo, &info));
    const auto margins = static_cast<DWORD>(::SendMessageA(info.hwndItem, EM_GETMARGINS, 0, 0));
    const LONG room = info.rcItem.right - info.rcItem.left - LOWORD(margins) - HIWORD(margins);
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(combo, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    HDC dc = ::GetDC(combo);
    HGDIOBJ previous = ::SelectObject(dc, font);
    for (const tarvisk::tunes::SoundSetDef& set : tarvisk::tunes::kDefaultSets) {
        const std::string name(set.name);
        SIZE extent{};
        EXPECT_TRUE(::GetTextExtentPoint32A(dc, name.c_str(), static_cast<int>(name.size()), &extent));
        EXPECT_LE(extent.cx, room) << name;
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(combo, dc);
}

TEST_F(Backend, AnyMouseButtonOnAPictureBoxReportsIndexButtonAndPosition)
{
    form_->Load();
    struct Case {
        UINT message;
        WPARAM keys;
        ControlId id;
        const char* expected;
    };
    const Case cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, ctl::Picture1(0), "MouseDown 12 0 1 0 0 0"},
        {WM_RBUTTONDOWN, MK_RBUTTON, ctl::Picture1(5), "MouseDown 7 5 2 0 93 88"},
        {WM_MBUTTONDOWN, MK_MBUTTON, ctl::Picture2, "MouseDown 6 -1 4 0 50 20"},
    };
    const POINT at[] = {{0, 0}, {93, 88}, {50, 20}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].expected);
        ::SendMessageA(Child(cases[i].id), cases[i].message, cases[i].keys, MAKELPARAM(at[i].x, at[i].y));
        EXPECT_EQ(events_.log.back(), cases[i].expected);
    }
}

TEST_F(Backend, ControlsSitAtTheirRectanglesInFocusOrder)
{
    form_->Load();
    for (ControlId id : {ctl::Picture1(0), ctl::Picture1(5), ctl::Picture2, ctl::cboSound, ctl::Command1}) {
        const ControlDesign& c = tarvisk::TunerFormDesign().controls[static_cast<std::size_t>(id)];
        RECT r{};
        ::GetWindowRect(Child(id), &r);
        ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, c.left) << c.name;
        EXPECT_EQ(r.top, c.top) << c.name;
        EXPECT_EQ(r.right - r.left, c.width) << c.name;
        if (c.kind != ControlKind::ComboBox) {
            EXPECT_EQ(r.bottom - r.top, c.height) << c.name;
        }
    }
    // Tab goes Picture1(0) .. Picture1(5), Picture2, the canvases, the exit
    // button, then the combo box.
    std::vector<ControlId> order;
    HWND first = ::GetNextDlgTabItem(Window(), nullptr, FALSE);
    HWND at = first;
    do {
        HWND owner = ::GetAncestor(at, GA_PARENT) == Window() ? at : ::GetParent(at);
        order.push_back(::GetDlgCtrlID(owner) - kFirstChildId);
        at = ::GetNextDlgTabItem(Window(), at, FALSE);
    } while (at && at != first && order.size() < 20);
    const std::vector<ControlId> expected = {ctl::Picture1(0), ctl::Picture1(1), ctl::Picture1(2),
                                             ctl::Picture1(3), ctl::Picture1(4), ctl::Picture1(5),
                                             ctl::Picture2,    ctl::picAllOn,    ctl::picAllOff,
                                             ctl::Command1,    ctl::cboSound};
    EXPECT_EQ(order, expected);
}

TEST_F(Backend, DoEventsHandlesQueuedMessagesAndPainting)
{
    form_->Show();
    // Let the display's own exposures of the new window settle first.
    for (int spins = 0; spins < 100 && ::GetUpdateRect(Window(), nullptr, FALSE); ++spins) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        platform_.DoEvents();
    }
    ::PostMessageA(Window(), WM_TIMER, kFirstChildId + ctl::Timer1, 0);
    form_->TimerAt(ctl::Timer1).SetEnabled(true);
    ::InvalidateRect(Window(), nullptr, FALSE);
    platform_.DoEvents();
    EXPECT_EQ(events_.log.back(), "Timer 4");
    EXPECT_FALSE(::GetUpdateRect(Window(), nullptr, FALSE));
}

TEST_F(Backend, StaleFiringOfATimerNowOffIsDropped)
{
    Timer& timer = form_->TimerAt(ctl::Timer1);
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    ::PostMessageA(Window(), WM_TIMER, kFirstChildId + ctl::Timer1, 0);
    const std::size_t before = events_.log.size();
    platform_.DoEvents();
    EXPECT_EQ(events_.log.size(), before);
}

void CALLBACK EndTheLoop(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(1); }

TEST_F(Backend, CloseRaisesUnloadThenEndsTheLoop)
{
    form_->Show();
    events_.cancel_with = 1;
    ::PostMessageA(Window(), WM_CLOSE, 0, 0);
    platform_.DoEvents();
    EXPECT_TRUE(::IsWindow(Window())) << "a cancelled unload keeps the window";

    events_.cancel_with = 0;
    ::PostMessageA(Window(), WM_CLOSE, 0, 0);
    // A loop that the close does not end is ended by a guard with another
    // exit code, so the test fails instead of hanging.
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 60000, EndTheLoop);
    EXPECT_EQ(platform_.Run(), 0);
    ::KillTimer(nullptr, guard);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(std::count(events_.log.begin(), events_.log.end(), "Unload"), 2);
}

TEST_F(Backend, EnterOnTheFocusedExitButtonActivatesIt)
{
    form_->Show();
    ::SetFocus(Child(ctl::Command1));
    ::SendMessageA(Window(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(events_.log.back(), "Click 2");
}

TEST(Win32Instance, SecondMarkOfTheSameNameIsSeen)
{
    Win32Platform first(::GetModuleHandleA(nullptr), "Tarvisk.InstanceTest");
    Win32Platform second(::GetModuleHandleA(nullptr), "Tarvisk.InstanceTest");
    Win32Platform other(::GetModuleHandleA(nullptr), "Tarvisk.InstanceTest.Other");
    EXPECT_FALSE(first.AnotherInstanceRunning());
    EXPECT_TRUE(second.AnotherInstanceRunning());
    EXPECT_FALSE(other.AnotherInstanceRunning());
}

TEST(Win32Paths, FolderOfTheModule)
{
    struct Case {
        const char* path;
        const char* folder;
    };
    for (const Case& c :
         {Case{"C:\\tarvisk.exe", "C:\\"}, Case{"C:\\Tools\\Tuning\\tarvisk.exe", "C:\\Tools\\Tuning"},
          Case{"\\\\server\\share\\tarvisk.exe", "\\\\server\\share"},
          Case{"Z:\\a b\\Tarvisk.EXE", "Z:\\a b"}})
        EXPECT_EQ(FolderOfModulePath(c.path), c.folder) << c.path;
    EXPECT_THROW(FolderOfModulePath("tarvisk.exe"), tk::Error);
}

TEST(Win32Paths, ExecutableFolderHoldsThisProgram)
{
    Win32Platform platform(::GetModuleHandleA(nullptr), "Tarvisk.PathTest");
    const std::string folder = platform.ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

} // namespace
} // namespace tk::win32
