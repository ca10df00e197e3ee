#pragma once
// Microsoft Active Accessibility for the window's own controls. Each answer
// to WM_GETOBJECT is a small object in front of the system's standard one:
// it gives the name, role, state and place the toolkit knows and leaves
// parents, focus and navigation to the standard object.

#include "toolkit/win32/win.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tk::win32 {

// What a control reads as, asked afresh at each question.
struct Reading {
    std::string name{};
    std::string description{};
    std::optional<std::string> value{}; // none: the standard object's
    LONG role = 0;                    // ROLE_SYSTEM_*
    LONG state = 0;                   // added to the standard object's
    bool own_place = false;           // its place and hits are its window's rectangle
    bool no_action = false;           // offers no default action
};
using ReadingSource = std::function<Reading()>;

// The reply to WM_GETOBJECT for the control's client object; 0 for any
// other object, which the system answers. The objects handed out ask the
// source while it lives and fail once it is gone.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wparam, LPARAM lparam, const std::shared_ptr<ReadingSource>& source);

} // namespace tk::win32
