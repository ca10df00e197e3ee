#pragma once
// The description of a window and its controls, from which a backend builds
// the real thing. The program's own window is described in window/.

#include "toolkit/picture.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tk {

enum class ControlKind { FolderList, ComboBox, Button, PictureBox, Timer, Label };

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Font {
    double points = 0; // 0: the platform's default font
    bool bold = false;
};

struct ControlDesign {
    std::string_view name{};
    int index = -1; // element of a control array, -1 when not in one
    ControlKind kind = ControlKind::PictureBox;
    int left = 0, top = 0, width = 0, height = 0; // client pixels
    int tab_index = 0;
    bool tab_stop = true;
    std::string_view text{}; // caption of a button or label, text of a combo box
    Rgb back_color{};
    Rgb fore_color{};
    bool transparent = false; // label: the window shows through
    Font font{};
    ImageId picture = ImageId::None;
    bool enabled = true;
    int interval_ms = 0; // timer
    std::string_view labels{}; // label: the name of the control it names
};

struct FormDesign {
    std::string_view caption{};
    int client_width = 0, client_height = 0;
    Rgb back_color{};
    ImageId picture = ImageId::None;
    ImageId icon = ImageId::None;
    std::span<const ControlDesign> controls{}; // in creation order
};

// A control by its place in FormDesign::controls.
using ControlId = int;

} // namespace tk
