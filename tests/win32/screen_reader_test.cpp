// The tuner as a Windows screen reader meets it, through oleacc: the pegs
// found at their centres, named, with their true places; a real click where
// a peg's place says loops its note; the toggle's state following loop mode.

#include "window/screen_reader.h"
#include "window/tuner.h"
#include "window/tuner_form.h"

#include "toolkit/win32/form.h"
#include "toolkit/win32/platform.h"
#include "bstr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tk::win32 {
namespace {

namespace ctl = tarvisk::ctl;
using testing::Narrow;

struct Played {
    std::string path;
    unsigned flags;
};

class RecordedSound final : public SoundOutput {
public:
    int sndPlaySoundA(const std::string& path, unsigned flags) override
    {
        played.push_back({path, flags});
        return 1;
    }
    std::vector<Played> played;
};

class ScreenReader : public ::testing::Test {
protected:
    ScreenReader()
        : platform_(::GetModuleHandleA(nullptr), "Tarvisk.ScreenReaderTest"),
          with_sound_{platform_, platform_, platform_, sound_, platform_}
    {
        g_.TunesDir = "C:\\T\\Tunes\\";
        g_.ResetWav = g_.TunesDir + "reset.wav";
        g_.SoundSet = "Acoustic\\";
        tuner_ = std::make_unique<tarvisk::Tuner>(with_sound_, g_);
        tuner_->Timer1(); // loads and shows the window
        window_ = static_cast<Win32Form&>(tuner_->Form()).Handle();
        ::SetForegroundWindow(window_);
        Pump();
    }
    ~ScreenReader() override
    {
        tuner_.reset();
        MSG quit;
        while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    }

    void Pump()
    {
        for (int i = 0; i < 20; ++i) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            platform_.DoEvents();
        }
    }
    POINT Centre(ControlId id) const
    {
        const ControlDesign& c = tarvisk::TunerFormDesign().controls[static_cast<std::size_t>(id)];
        POINT at{c.left + c.width / 2, c.top + c.height / 2};
        ::ClientToScreen(window_, &at);
        return at;
    }
    RECT TruePlace(ControlId id) const
    {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(window_, kFirstChildId + id), &r);
        return r;
    }
    static VARIANT Self()
    {
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        return self;
    }
    static LONG State(IAccessible* object)
    {
        VARIANT state{};
        object->get_accState(Self(), &state);
        return state.vt == VT_I4 ? state.lVal : 0;
    }

    Win32Platform platform_;
    RecordedSound sound_;
    Platform with_sound_;
    tarvisk::Globals g_;
    std::unique_ptr<tarvisk::Tuner> tuner_;
    HWND window_ = nullptr;
};

TEST_F(ScreenReader, EveryPegFoundAtItsCentreIsANamedGraphicAtItsTruePlaceAndAClickThereLoopsItsNote)
{
    const char* files[] = {"E2.wav", "H.wav", "G.wav", "D.wav", "A.wav", "E.wav"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        IAccessible* peg = nullptr;
        VARIANT child{};
        ASSERT_EQ(::AccessibleObjectFromPoint(Centre(ctl::Picture1(i)), &peg, &child), S_OK);
        ASSERT_NE(peg, nullptr);
        EXPECT_EQ(child.lVal, CHILDID_SELF);
        BSTR text = nullptr;
        peg->get_accName(Self(), &text);
        EXPECT_EQ(Narrow(text), tarvisk::StringDescription(i).name);
        peg->get_accDescription(Self(), &text);
        EXPECT_EQ(Narrow(text), tarvisk::StringDescription(i).description);
        VARIANT role{};
        peg->get_accRole(Self(), &role);
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_GRAPHIC);
        BSTR action = nullptr;
        EXPECT_EQ(peg->get_accDefaultAction(Self(), &action), S_FALSE) << "the mouse presses it";
        ::SysFreeString(action);
        LONG left = 0, top = 0, width = 0, height = 0;
        ASSERT_EQ(peg->accLocation(&left, &top, &width, &height, Self()), S_OK);
        const RECT truth = TruePlace(ctl::Picture1(i));
        EXPECT_EQ(std::vector<LONG>({left, top, left + width, top + height}),
                  std::vector<LONG>({truth.left, truth.top, truth.right, truth.bottom}));
        peg->Release();

        // A screen reader's mouse routing: a click in the middle of the place.
        ::SetCursorPos(left + width / 2, top + height / 2);
        INPUT click[2] = {};
        click[0].type = click[1].type = INPUT_MOUSE;
        click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        sound_.played.clear();
        ::SendInput(2, click, sizeof(INPUT));
        for (int spins = 0; spins < 200 && sound_.played.empty(); ++spins)
            Pump();
        ASSERT_FALSE(sound_.played.empty());
        EXPECT_EQ(sound_.played.back().path, g_.TunesDir + g_.SoundSet + files[i]);
        EXPECT_EQ(sound_.played.back().flags, 9u);
    }
}

TEST_F(ScreenReader, LoopIsACheckBoxCheckedWhileLoopModeIsOnAndTheSoundListIsNamedByItsLabel)
{
    IAccessible* loop = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(::GetDlgItem(window_, kFirstChildId + ctl::Picture2), OBJID_CLIENT,
                                           __uuidof(IAccessible), reinterpret_cast<void**>(&loop)),
              S_OK);
    BSTR text = nullptr;
    loop->get_accName(Self(), &text);
    EXPECT_EQ(Narrow(text), "Loop");
    VARIANT role{};
    loop->get_accRole(Self(), &role);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_TRUE(State(loop) & STATE_SYSTEM_CHECKED) << "loop mode is on at start";
    for (std::int16_t mode : {0, 1}) {
        tuner_->Picture2_MouseDown(1, 0, 0, 0);
        EXPECT_EQ(g_.LoopMode, mode);
        EXPECT_EQ((State(loop) & STATE_SYSTEM_CHECKED) != 0, mode == 1);
    }
    loop->Release();

    IAccessible* list = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(::GetDlgItem(window_, kFirstChildId + ctl::cboSound), OBJID_CLIENT,
                                           __uuidof(IAccessible), reinterpret_cast<void**>(&list)),
              S_OK);
    list->get_accName(Self(), &text);
    EXPECT_EQ(Narrow(text), "Sound");
    list->get_accValue(Self(), &text);
    EXPECT_EQ(Narrow(text), "Acoustic");
    list->Release();

    // The canvases lie outside the client area and are no content.
    for (ControlId canvas : {ctl::picAllOn, ctl::picAllOff}) {
        IAccessible* hidden = nullptr;
        ASSERT_EQ(::AccessibleObjectFromWindow(::GetDlgItem(window_, kFirstChildId + canvas), OBJID_CLIENT,
                                               __uuidof(IAccessible), reinterpret_cast<void**>(&hidden)),
                  S_OK);
        EXPECT_TRUE(State(hidden) & STATE_SYSTEM_INVISIBLE);
        hidden->Release();
    }
}

} // namespace
} // namespace tk::win32
