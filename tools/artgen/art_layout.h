#pragma once
// Where the artwork puts things, in client pixels. The controls' rectangles
// come from the window's design; the painter draws from these numbers and
// the art tests check the committed images against them, so the pegs,
// letters and switch can never drift out of their controls.

#include "window/tuner_form.h"

#include <array>

namespace tarvisk::art {

struct Box {
    int left = 0, top = 0, width = 0, height = 0;

    constexpr int Right() const { return left + width - 1; }
    constexpr int Bottom() const { return top + height - 1; }
    constexpr bool Contains(int x, int y) const
    {
        return x >= left && x <= Right() && y >= top && y <= Bottom();
    }
    constexpr bool Contains(const Box& b) const
    {
        return b.left >= left && b.Right() <= Right() && b.top >= top && b.Bottom() <= Bottom();
    }
    constexpr Box Grown(int by) const { return {left - by, top - by, width + 2 * by, height + 2 * by}; }
};

struct Colour {
    int r = 0, g = 0, b = 0;
};

inline constexpr int kWidth = kClientWidth;
inline constexpr int kHeight = kClientHeight;
inline constexpr Colour kBackground{120, 104, 88};

// A control's rectangle, as the window's own design places it.
inline Box ControlBox(tk::ControlId id)
{
    const tk::ControlDesign& c = TunerFormDesign().controls[static_cast<std::size_t>(id)];
    return {c.left, c.top, c.width, c.height};
}

// The string indicators Picture1(0) to Picture1(5), by string index.
inline const std::array<Box, 6> kIndicators = {
    ControlBox(ctl::Picture1(0)), ControlBox(ctl::Picture1(1)), ControlBox(ctl::Picture1(2)),
    ControlBox(ctl::Picture1(3)), ControlBox(ctl::Picture1(4)), ControlBox(ctl::Picture1(5)),
};
inline const Box kToggle = ControlBox(ctl::Picture2);
inline const Box kLabel = ControlBox(ctl::Label1);
inline const Box kCombo = ControlBox(ctl::cboSound);

// Under the label and the combo box the picture stays plain background.
inline const Box kPlainArea{kLabel.left, kLabel.top, kCombo.Right() - kLabel.left + 1,
                            kCombo.Bottom() - kLabel.top + 1};

// Lit pixels reach at most this far past a rectangle's edge; the lit
// artwork equals the unlit one everywhere else.
inline constexpr int kLitBleed = 3;

// The headstock's centre line and the nut.
inline constexpr double kCentreX = 190.0;
inline constexpr int kNutTop = 425;
inline constexpr int kNutBottom = 440;

// One tuning peg: the button's and the letter's bounding boxes, as drawn.
struct Peg {
    int string = 0;
    char name = ' ';
    bool left_side = false;
    int y = 0;    // the peg's axis
    Box button{}; // the chrome button, outline included
    Box letter{}; // the string's letter is fitted into this box
};

// Left pegs sit further out towards the top, where the headstock is wider;
// the right pegs mirror them about the centre line.
inline constexpr std::array<Peg, 6> kPegs = {{
    {0, 'E', false, 282, {299, 269, 34, 27}, {338, 274, 14, 17}},
    {1, 'H', false, 193, {303, 180, 34, 27}, {342, 185, 14, 17}},
    {2, 'G', false, 103, {308, 90, 34, 27}, {347, 95, 14, 17}},
    {3, 'D', true, 104, {38, 91, 34, 27}, {18, 96, 14, 17}},
    {4, 'A', true, 192, {43, 179, 34, 27}, {23, 184, 14, 17}},
    {5, 'E', true, 280, {47, 267, 34, 27}, {27, 272, 14, 17}},
}};

// The loop toggle: a lever on a round mount and a lamp beside it.
inline constexpr double kLeverPivotX = 295.0;
inline constexpr double kLeverPivotY = 425.0;
inline constexpr Box kLeverUp{289, 398, 13, 30};   // ball tip to pivot, unlit
inline constexpr Box kLeverDown{289, 423, 13, 26}; // pivot to ball tip, lit
inline constexpr double kLampX = 340.0;
inline constexpr double kLampY = 423.0;
inline constexpr double kLampRadius = 9.5;
inline constexpr Box kLoopWord{283, 378, 58, 17};

// The program's name across the bottom.
inline constexpr Box kTitle{12, 470, 358, 33};

} // namespace tarvisk::art
