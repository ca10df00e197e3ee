#pragma once
// The window's child controls: picture boxes with retained images, the
// drop-down combo box and the window timer.

#include "toolkit/combo_box.h"
#include "toolkit/picture_box.h"
#include "toolkit/timer_base.h"
#include "toolkit/win32/accessible.h"
#include "toolkit/win32/handles.h"
#include "toolkit/win32/image.h"

#include <memory>

namespace tk::win32 {

class Win32Form;

// Child window ids are control ids moved clear of IDOK and IDCANCEL.
inline constexpr int kFirstChildId = 1000;

class Win32PictureBox final : public PictureBoxBase {
public:
    static constexpr const char* kClassName = "TarviskPictureBox";

    Win32PictureBox(Win32Form& form, const ControlDesign& design, ControlId id);
    ~Win32PictureBox() override;
    void Refresh() override;

    HWND Handle() const { return hwnd_; }
    const Dib& Retained() const { return image_; }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    void DrawPicture(const tk::Picture* picture) override;
    void Redescribed(const Description& before) override;
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    void MouseDown(std::int16_t button, LPARAM lparam);

    Win32Form& form_;
    ControlId id_;
    Dib image_;
    std::shared_ptr<ReadingSource> reading_;
    HWND hwnd_ = nullptr;
};

class Win32ComboBox final : public ComboBoxBase {
public:
    Win32ComboBox(Win32Form& form, const ControlDesign& design, ControlId id, HFONT font);
    ~Win32ComboBox() override;
    void AddItem(const std::string& text) override;
    int ListCount() const override;
    std::string List(int index) const override;
    int ListIndex() const override;
    std::string Text() const override;

    HWND Handle() const { return hwnd_; }
    // The combo box itself, its text field or its drop-down list.
    bool Owns(HWND hwnd) const;
    // Colours of the text field and the list; the brush to paint them with.
    HBRUSH Colour(HDC dc) const;
    // CBN_SELCHANGE: the user chose an entry.
    void Selected();

private:
    void Choose(int index) override;
    // The system's combo box, asked first for its screen-reader object.
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    Win32Form& form_;
    const ControlDesign& design_;
    GdiObject<HBRUSH> back_brush_;
    std::shared_ptr<ReadingSource> reading_;
    WNDPROC system_proc_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND edit_ = nullptr;
    HWND list_ = nullptr;
};

class Win32Timer final : public TimerBase {
public:
    Win32Timer(HWND window, ControlId id, const ControlDesign& design);
    ~Win32Timer() override;
    // WM_TIMER with this id.
    UINT_PTR TimerId() const { return timer_id_; }

private:
    void Apply() override;

    HWND window_;
    UINT_PTR timer_id_;
};

} // namespace tk::win32
