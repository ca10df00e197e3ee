#include "toolkit/win32/form.h"

#include "toolkit/folder_list.h"

#include <cmath>

namespace tk::win32 {

namespace {

Win32Form* FormOf(HWND hwnd)
{
    return reinterpret_cast<Win32Form*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

} // namespace

void RegisterWindowClasses(Win32Platform& platform)
{
    WNDCLASSEXA form{};
    form.cbSize = sizeof(form);
    form.lpfnWndProc = Win32Form::Proc;
    form.hInstance = platform.Module();
    form.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    form.hIcon = platform.IconOf(ImageId::Icon, ::GetSystemMetrics(SM_CXICON));
    form.hIconSm = platform.IconOf(ImageId::Icon, ::GetSystemMetrics(SM_CXSMICON));
    form.lpszClassName = Win32Form::kClassName;
    ::RegisterClassExA(&form);

    WNDCLASSEXA box{};
    box.cbSize = sizeof(box);
    box.lpfnWndProc = Win32PictureBox::Proc;
    box.hInstance = platform.Module();
    box.hCursor = form.hCursor;
    box.lpszClassName = Win32PictureBox::kClassName;
    ::RegisterClassExA(&box);
}

Win32Form::Win32Form(Win32Platform& owner, const FormDesign& design, FormEvents& events)
    : Form(design, events), owner_(owner)
{
    // A missing artwork leaves the plain background colour.
    try {
        SetBackground(owner.PictureOf(design.picture));
    } catch (const tk::Error&) {
    }
    background_ = std::make_unique<Dib>(design.client_width, design.client_height);
    background_->Fill(ToColorRef(design.back_color));
    if (auto* artwork = dynamic_cast<const Win32Picture*>(Picture().get()))
        background_->Draw(artwork->Image());

    RECT outer{0, 0, design.client_width, design.client_height};
    ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
    hwnd_ = ::CreateWindowExA(kExStyle, kClassName, std::string(design.caption).c_str(), kStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                              outer.bottom - outer.top, nullptr, nullptr, owner.Module(), this);
    if (!hwnd_)
        throw tk::Error("Can't create the window");
    owner_.Opened(hwnd_);

    // Some frames differ from what AdjustWindowRectEx predicts; the client
    // area is what must come out exact.
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int dx = design.client_width - client.right;
    const int dy = design.client_height - client.bottom;
    if (dx != 0 || dy != 0) {
        RECT window = WindowRect();
        ::SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + dx, window.bottom - window.top + dy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

Win32Form::~Win32Form()
{
    // Controls go first, while their parent still exists.
    DestroyControls();
    if (hwnd_) {
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        HWND window = hwnd_;
        hwnd_ = nullptr;
        owner_.Closed(window);
        ::DestroyWindow(window);
    }
}

RECT Win32Form::WindowRect() const
{
    RECT r{};
    if (!hwnd_ || !::GetWindowRect(hwnd_, &r))
        throw tk::Error("The window is gone");
    return r;
}

OuterRect Win32Form::Outer() const
{
    const RECT r = WindowRect();
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Form::MoveOuterTo(int left, int top)
{
    if (!::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        throw tk::Error("Can't move the window");
}

void Win32Form::ShowWindow()
{
    if (!hwnd_)
        return;
    ::ShowWindow(hwnd_, SW_SHOW);
    ::UpdateWindow(hwnd_);
}

bool Win32Form::Visible() const { return hwnd_ && ::IsWindowVisible(hwnd_); }

HFONT Win32Form::FontFor(const tk::Font& font)
{
    if (font.points <= 0)
        return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    for (const auto& cached : fonts_)
        if (cached.font.points == font.points && cached.font.bold == font.bold)
            return cached.handle.get();
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    const int height = -static_cast<int>(std::lround(font.points * dpi / 72.0));
    // Any sans-serif face of this size serves where this one is missing.
    GdiObject<HFONT> handle(::CreateFontA(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                          FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
    if (!handle)
        return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    fonts_.push_back({font, std::move(handle)});
    return fonts_.back().handle.get();
}

void Win32Form::CreateControls()
{
    std::map<int, HWND> by_tab_index;
    const auto& controls = Design().controls;
    for (ControlId id = 0; id < static_cast<ControlId>(controls.size()); ++id) {
        const ControlDesign& c = controls[static_cast<std::size_t>(id)];
        HWND child = nullptr;
        switch (c.kind) {
        case ControlKind::PictureBox:
            child = boxes_.Add(id, std::make_unique<Win32PictureBox>(*this, c, id)).Handle();
            break;
        case ControlKind::ComboBox:
            child = combos_.Add(id, std::make_unique<Win32ComboBox>(*this, c, id, FontFor(c.font))).Handle();
            break;
        case ControlKind::Button: {
            const DWORD style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | (c.tab_stop ? WS_TABSTOP : 0);
            child = ::CreateWindowExA(
                0, "BUTTON", std::string(c.text).c_str(), style, c.left, c.top, c.width, c.height, hwnd_,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstChildId + id)), owner_.Module(), nullptr);
            if (!child)
                throw tk::Error("Can't create the control");
            ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);
            buttons_[id] = child;
            break;
        }
        case ControlKind::FolderList:
            folder_lists_.Add(id, std::make_unique<ListedFolderList>(SubFolders));
            break;
        case ControlKind::Timer:
            timers_.Add(id, std::make_unique<Win32Timer>(hwnd_, id, c));
            break;
        case ControlKind::Label:
            FontFor(c.font);
            labels_.push_back(id);
            break;
        }
        if (child)
            by_tab_index[c.tab_index] = child;
    }
    SetTabOrder(by_tab_index);
}

void Win32Form::SetTabOrder(const std::map<int, HWND>& by_tab_index)
{
    // The keyboard moves through sibling windows in their z-order.
    HWND previous = HWND_TOP;
    for (const auto& [tab_index, child] : by_tab_index) {
        ::SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = child;
    }
}

LRESULT CALLBACK Win32Form::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
        auto* form = static_cast<Win32Form*>(create->lpCreateParams);
        form->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    Win32Form* form = FormOf(hwnd);
    if (!form)
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    return form->Handle(message, wparam, lparam);
}

LRESULT Win32Form::Handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the background picture covers the client area
    case WM_PAINT:
        Paint();
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        for (const auto& [id, control] : combos_) {
            const auto& combo = static_cast<const Win32ComboBox&>(*control);
            if (combo.Owns(reinterpret_cast<HWND>(lparam)))
                return reinterpret_cast<LRESULT>(combo.Colour(reinterpret_cast<HDC>(wparam)));
        }
        break;
    case WM_COMMAND:
        Command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
        return 0;
    case WM_TIMER: {
        const auto id = static_cast<ControlId>(wparam) - kFirstChildId;
        const Timer* timer = timers_.Find(id);
        if (timer && timer->Enabled())
            owner_.Raise([&] { Events().TimerFired(id); });
        return 0;
    }
    case WM_ACTIVATE:
        // Like a dialog box, the window keeps its focused control.
        if (LOWORD(wparam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            focus_ = focus && ::IsChild(hwnd_, focus) ? focus : nullptr;
        } else {
            HWND target = focus_ && ::IsWindow(focus_) ? focus_ : ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            if (target)
                ::SetFocus(target);
        }
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        for (const auto& [id, timer] : timers_)
            ::KillTimer(hwnd_, static_cast<const Win32Timer&>(*timer).TimerId());
        break;
    case WM_NCDESTROY: {
        HWND window = hwnd_;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        owner_.Closed(window);
        return ::DefWindowProcA(window, message, wparam, lparam);
    }
    default:
        break;
    }
    return ::DefWindowProcA(hwnd_, message, wparam, lparam);
}

void Win32Form::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd_, &paint);
    const RECT& r = paint.rcPaint;
    ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, background_->Dc(), r.left, r.top,
             SRCCOPY);
    for (ControlId id : labels_) {
        const ControlDesign& c = Design().controls[static_cast<std::size_t>(id)];
        RECT box{c.left, c.top, c.left + c.width, c.top + c.height};
        if (!c.transparent) {
            GdiObject<HBRUSH> back(::CreateSolidBrush(ToColorRef(c.back_color)));
            ::FillRect(dc, &box, back.get());
        }
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ToColorRef(c.fore_color));
        HGDIOBJ previous = ::SelectObject(dc, FontFor(c.font));
        const std::string text(c.text);
        ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_LEFT | DT_WORDBREAK);
        ::SelectObject(dc, previous);
    }
    ::EndPaint(hwnd_, &paint);
}

void Win32Form::Command(int child_id, int code, HWND child)
{
    // Enter on a focused push button arrives as IDOK from the dialog manager.
    if (child_id == IDOK && !child) {
        HWND focus = ::GetFocus();
        for (const auto& [id, button] : buttons_)
            if (button == focus)
                Command(kFirstChildId + id, BN_CLICKED, button);
        return;
    }
    const ControlId id = child_id - kFirstChildId;
    if (buttons_.contains(id) && code == BN_CLICKED) {
        owner_.Raise([&] { Events().Click(id); });
        return;
    }
    if (auto* combo = combos_.Find(id); combo && code == CBN_SELCHANGE)
        static_cast<Win32ComboBox&>(*combo).Selected();
}

void Win32Form::Close()
{
    std::int16_t cancel = 0;
    owner_.Raise([&] { Events().Unload(cancel); });
    if (cancel == 0 && hwnd_)
        ::DestroyWindow(hwnd_);
}

} // namespace tk::win32
