#include "toolkit/win32/controls.h"

#include "toolkit/win32/form.h"

#include <algorithm>

namespace tk::win32 {

namespace {

HMENU ChildId(ControlId id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstChildId + id)); }

std::int16_t ShiftState()
{
    std::int16_t shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0)
        shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0)
        shift |= 2;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= 4;
    return shift;
}

// A box reads as the window described it, at its window's place, with no
// action of its own: the mouse presses it. One never described reads as
// hidden: the canvases lie outside the client area.
Reading ReadingOf(const Description& d)
{
    Reading reading{.name = d.name, .description = d.description, .own_place = true, .no_action = true};
    switch (d.role) {
    case Role::Picture:
        reading.role = ROLE_SYSTEM_GRAPHIC;
        break;
    case Role::CheckBox:
        reading.role = ROLE_SYSTEM_CHECKBUTTON;
        reading.state = d.checked ? STATE_SYSTEM_CHECKED : 0;
        break;
    case Role::None:
        reading.role = ROLE_SYSTEM_CLIENT;
        reading.state = STATE_SYSTEM_INVISIBLE;
        break;
    }
    return reading;
}

constexpr const char* kComboProperty = "Tarvisk.ComboBox";

} // namespace

// Picture boxes.

Win32PictureBox::Win32PictureBox(Win32Form& form, const ControlDesign& design, ControlId id)
    : PictureBoxBase(design), form_(form), id_(id), image_(design.width, design.height),
      reading_(std::make_shared<ReadingSource>([this] { return ReadingOf(Described()); }))
{
    SetHdc(reinterpret_cast<Hdc>(image_.Dc()));
    image_.Fill(ToColorRef(design.back_color));
    if (design.picture != ImageId::None)
        SetPicture(form.Owner().PictureOf(design.picture));
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (design.tab_stop ? WS_TABSTOP : 0);
    hwnd_ = ::CreateWindowExA(0, kClassName, "", style, design.left, design.top, design.width, design.height,
                              form.Handle(), ChildId(id), form.Owner().Module(), this);
    if (!hwnd_)
        throw tk::Error("Can't create the control");
}

Win32PictureBox::~Win32PictureBox()
{
    reading_.reset(); // objects a screen reader still holds fail from now on
    if (hwnd_) {
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

void Win32PictureBox::Refresh()
{
    if (hwnd_)
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32PictureBox::DrawPicture(const tk::Picture* picture)
{
    image_.Fill(ToColorRef(Design().back_color));
    if (auto* from = dynamic_cast<const Win32Picture*>(picture))
        image_.Draw(from->Image());
    if (hwnd_)
        ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32PictureBox::Redescribed(const Description& before)
{
    if (!hwnd_)
        return;
    const Description& now = Described();
    if (before.name != now.name)
        ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    if (before.description != now.description)
        ::NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    if (before.checked != now.checked || before.role != now.role)
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT CALLBACK Win32PictureBox::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Win32PictureBox*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* box = reinterpret_cast<Win32PictureBox*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!box)
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        box->hwnd_ = nullptr;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
    return box->Handle(message, wparam, lparam);
}

LRESULT Win32PictureBox::Handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the retained image covers everything
    case WM_PAINT:
        Paint();
        return 0;
    case WM_LBUTTONDOWN:
        MouseDown(1, lparam);
        return 0;
    case WM_RBUTTONDOWN:
        MouseDown(2, lparam);
        return 0;
    case WM_MBUTTONDOWN:
        MouseDown(4, lparam);
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT object = AnswerGetObject(hwnd_, wparam, lparam, reading_))
            return object;
        return ::DefWindowProcA(hwnd_, message, wparam, lparam);
    default:
        return ::DefWindowProcA(hwnd_, message, wparam, lparam);
    }
}

void Win32PictureBox::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd_, &paint);
    const RECT& r = paint.rcPaint;
    ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image_.Dc(), r.left, r.top, SRCCOPY);
    ::EndPaint(hwnd_, &paint);
}

void Win32PictureBox::MouseDown(std::int16_t button, LPARAM lparam)
{
    if (Design().tab_stop)
        ::SetFocus(hwnd_);
    const auto x = static_cast<float>(static_cast<short>(LOWORD(lparam)));
    const auto y = static_cast<float>(static_cast<short>(HIWORD(lparam)));
    const auto index = static_cast<std::int16_t>(Design().index);
    const std::int16_t shift = ShiftState();
    form_.Owner().Raise([&] { form_.Handlers().MouseDown(id_, index, button, shift, x, y); });
}

// The combo box.

Win32ComboBox::Win32ComboBox(Win32Form& form, const ControlDesign& design, ControlId id, HFONT font)
    : ComboBoxBase(form.Handlers(), id), form_(form), design_(design),
      back_brush_(::CreateSolidBrush(ToColorRef(design.back_color)))
{
    // The height given covers the text field and the dropped-down list.
    constexpr int kDropDownHeight = 8 * 13 + 2;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPSIBLINGS | CBS_DROPDOWN |
        CBS_AUTOHSCROLL | (design.tab_stop ? WS_TABSTOP : 0);
    hwnd_ = ::CreateWindowExA(0, "COMBOBOX", "", style, design.left, design.top, design.width,
                              design.height + kDropDownHeight, form.Handle(), ChildId(id),
                              form.Owner().Module(), nullptr);
    if (!hwnd_)
        throw tk::Error("Can't create the control");
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // The text field's own height, so the whole box is as tall as its rectangle.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(hwnd_, &info)) {
        edit_ = info.hwndItem;
        list_ = info.hwndList;
    }
    RECT outer{};
    ::GetWindowRect(hwnd_, &outer);
    const int item_height =
        static_cast<int>(::SendMessageA(hwnd_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const int frame = (outer.bottom - outer.top) - item_height;
    if (item_height > 0 && frame > 0 && design.height > frame)
        ::SendMessageA(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), design.height - frame);
    ::SetWindowTextA(hwnd_, std::string(design.text).c_str());
    // Named by its label, its value the text it shows.
    reading_ = std::make_shared<ReadingSource>([this, name = LabelledName(form.Design(), id)] {
        return Reading{.name = name, .value = Text(), .role = ROLE_SYSTEM_COMBOBOX, .own_place = true};
    });
    ::SetPropA(hwnd_, kComboProperty, this);
    system_proc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32ComboBox::Proc)));
}

Win32ComboBox::~Win32ComboBox()
{
    reading_.reset();
    if (::IsWindow(hwnd_) && system_proc_) {
        ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system_proc_));
        ::RemovePropA(hwnd_, kComboProperty);
    }
}

LRESULT CALLBACK Win32ComboBox::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* combo = static_cast<Win32ComboBox*>(::GetPropA(hwnd, kComboProperty));
    if (!combo)
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    if (message == WM_GETOBJECT) {
        if (const LRESULT object = AnswerGetObject(hwnd, wparam, lparam, combo->reading_))
            return object;
    }
    const WNDPROC system = combo->system_proc_;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system));
        ::RemovePropA(hwnd, kComboProperty);
        combo->system_proc_ = nullptr;
    }
    return ::CallWindowProcA(system, hwnd, message, wparam, lparam);
}

void Win32ComboBox::AddItem(const std::string& text)
{
    const LRESULT added = ::SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (added == CB_ERR || added == CB_ERRSPACE)
        throw tk::Error("Out of memory");
}

int Win32ComboBox::ListCount() const { return static_cast<int>(::SendMessageA(hwnd_, CB_GETCOUNT, 0, 0)); }

std::string Win32ComboBox::List(int index) const
{
    if (index < 0 || index >= ListCount())
        return {};
    const LRESULT length = ::SendMessageA(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = ::SendMessageA(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

int Win32ComboBox::ListIndex() const
{
    const LRESULT index = ::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32ComboBox::Choose(int index) { ::SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::string Win32ComboBox::Text() const
{
    const int length = ::GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(hwnd_, text.data(), length + 1)));
    return text;
}

bool Win32ComboBox::Owns(HWND hwnd) const
{
    return hwnd && (hwnd == hwnd_ || hwnd == edit_ || hwnd == list_);
}

HBRUSH Win32ComboBox::Colour(HDC dc) const
{
    ::SetTextColor(dc, ToColorRef(design_.fore_color));
    ::SetBkColor(dc, ToColorRef(design_.back_color));
    return back_brush_.get();
}

void Win32ComboBox::Selected()
{
    // The text field follows the list only after this notification; the
    // handler reads the text of the new entry.
    const int index = ListIndex();
    if (index >= 0)
        ::SetWindowTextA(hwnd_, List(index).c_str());
    form_.Owner().Raise([&] { Events().Click(Id()); });
}

// The timer.

Win32Timer::Win32Timer(HWND window, ControlId id, const ControlDesign& design)
    : TimerBase(design), window_(window), timer_id_(static_cast<UINT_PTR>(kFirstChildId + id))
{
    Apply();
}

Win32Timer::~Win32Timer()
{
    if (::IsWindow(window_))
        ::KillTimer(window_, timer_id_);
}

void Win32Timer::Apply()
{
    // Setting it again starts the count afresh.
    ::KillTimer(window_, timer_id_);
    if (Running() && !::SetTimer(window_, timer_id_, static_cast<UINT>(Interval()), nullptr))
        throw tk::Error("Out of resources");
}

} // namespace tk::win32
