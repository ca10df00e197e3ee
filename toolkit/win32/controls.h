#pragma once
// The window's child controls: picture boxes with retained images, the
// drop-down combo box and the window timer.

#include "toolkit/win32/handles.h"
#include "toolkit/win32/image.h"

#include <memory>

namespace tk::win32 {

class Win32Form;

// Child window ids are control ids moved clear of IDOK and IDCANCEL.
inline constexpr int kFirstChildId = 1000;

class Win32PictureBox final : public tk::PictureBox {
public:
    static constexpr const char* kClassName = "TarviskPictureBox";

    Win32PictureBox(Win32Form& form, const ControlDesign& design, ControlId id);
    ~Win32PictureBox() override;
    int Left() const override { return design_.left; }
    int Top() const override { return design_.top; }
    int Width() const override { return design_.width; }
    int Height() const override { return design_.height; }
    int ScaleMode() const override { return scale_mode_; }
    void SetScaleMode(int mode) override;
    Hdc hDC() override;
    void Refresh() override;
    PictureRef Picture() const override { return picture_; }
    void SetPicture(const PictureRef& picture) override;

    HWND Handle() const { return hwnd_; }
    const Dib& Retained() const { return image_; }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    void MouseDown(std::int16_t button, LPARAM lparam);

    Win32Form& form_;
    const ControlDesign& design_;
    ControlId id_;
    int scale_mode_ = kScaleModePixel;
    Dib image_;
    PictureRef picture_;
    HWND hwnd_ = nullptr;
};

class Win32ComboBox final : public tk::ComboBox {
public:
    Win32ComboBox(Win32Form& form, const ControlDesign& design, ControlId id, HFONT font);
    void AddItem(const std::string& text) override;
    int ListCount() const override;
    std::string List(int index) const override;
    int ListIndex() const override;
    void SetListIndex(int index) override;
    std::string Text() const override;

    HWND Handle() const { return hwnd_; }
    // The combo box itself, its text field or its drop-down list.
    bool Owns(HWND hwnd) const;
    // Colours of the text field and the list; the brush to paint them with.
    HBRUSH Colour(HDC dc) const;
    // CBN_SELCHANGE: the user chose an entry.
    void Selected();

private:
    Win32Form& form_;
    const ControlDesign& design_;
    ControlId id_;
    GdiObject<HBRUSH> back_brush_;
    HWND hwnd_ = nullptr;
    HWND edit_ = nullptr;
    HWND list_ = nullptr;
};

class Win32Timer final : public tk::Timer {
public:
    Win32Timer(HWND window, ControlId id, const ControlDesign& design);
    ~Win32Timer() override;
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override;
    int Interval() const override { return interval_; }
    void SetInterval(int ms) override;

private:
    void Apply();

    HWND window_;
    UINT_PTR timer_id_;
    bool enabled_;
    int interval_;
};

} // namespace tk::win32
