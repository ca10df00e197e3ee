#pragma once
// The top-level window: a fixed tool window whose client area shows the
// background picture, with its controls as child windows. Labels have no
// window of their own; the form draws them over its background.

#include "toolkit/win32/controls.h"
#include "toolkit/win32/folder_list.h"
#include "toolkit/win32/image.h"
#include "toolkit/win32/platform.h"

#include <map>
#include <memory>
#include <vector>

namespace tk::win32 {

void RegisterWindowClasses(Win32Platform& platform);

class Win32Form final : public tk::Form {
public:
    static constexpr const char* kClassName = "TarviskForm";
    static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

    // Creates the window hidden; its controls come with the first touch.
    Win32Form(Win32Platform& owner, const FormDesign& design, FormEvents& events);
    ~Win32Form() override;

    bool Visible() const override;

    HWND Handle() const { return hwnd_; }
    Win32Platform& Owner() { return owner_; }
    FormEvents& Handlers() { return Events(); }
    HFONT FontFor(const tk::Font& font);

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

protected:
    void CreateControls() override;
    OuterRect Outer() const override;
    void MoveOuterTo(int left, int top) override;
    void ShowWindow() override;

private:
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    void Command(int child_id, int code, HWND child);
    void Close();
    void SetTabOrder(const std::map<int, HWND>& by_tab_index);
    RECT WindowRect() const;

    Win32Platform& owner_;
    HWND hwnd_ = nullptr;
    std::unique_ptr<Dib> background_;
    std::map<ControlId, HWND> buttons_;
    std::vector<ControlId> labels_;
    struct CachedFont {
        tk::Font font;
        GdiObject<HFONT> handle;
    };
    std::vector<CachedFont> fonts_;
    HWND focus_ = nullptr; // the control that had the focus when the window was deactivated
};

} // namespace tk::win32
