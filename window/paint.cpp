#include "window/paint.h"

#include "toolkit/error.h"
#include "toolkit/platform.h"

namespace tarvisk {

void PaintFromCanvas(tk::Gdi& gdi, tk::PictureBox* target, tk::PictureBox* canvas)
{
    // A step that fails, an empty reference included, is skipped.
    auto need = [](tk::PictureBox* box) -> tk::PictureBox& {
        if (!box)
            throw tk::Error("Object variable not set");
        return *box;
    };
    tk::ResumeNext([&] { need(target).SetScaleMode(tk::kScaleModePixel); });
    tk::ResumeNext([&] { need(canvas).SetScaleMode(tk::kScaleModePixel); });
    tk::Hdc dest = 0, src = 0;
    int width = 0, height = 0, left = 0, top = 0;
    tk::ResumeNext([&] { dest = need(target).hDC(); });
    tk::ResumeNext([&] { width = need(target).Width(); });
    tk::ResumeNext([&] { height = need(target).Height(); });
    tk::ResumeNext([&] { src = need(canvas).hDC(); });
    tk::ResumeNext([&] { left = need(target).Left(); });
    tk::ResumeNext([&] { top = need(target).Top(); });
    tk::ResumeNext([&] { gdi.BitBlt(dest, 0, 0, width, height, src, left, top, tk::kSourceCopy); });
    tk::ResumeNext([&] { need(target).Refresh(); });
}

} // namespace tarvisk
