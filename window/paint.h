#pragma once
// Every change of look in the window: a control takes the part of a
// whole-window canvas that lies under it.

namespace tk {
class Gdi;
class PictureBox;
} // namespace tk

namespace tarvisk {

// Copies the canvas's pixels under the target into the target's retained
// image and redraws the target before returning. Never fails.
void PaintFromCanvas(tk::Gdi& gdi, tk::PictureBox* target, tk::PictureBox* canvas);

} // namespace tarvisk
