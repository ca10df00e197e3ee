#pragma once
// The block transfer of backends that keep their retained images in their
// own 32-bit pixel buffers. An image is known by the drawing-context handle
// it was given; a handle that names no live image copies nothing.

#include "toolkit/blit.h"
#include "toolkit/platform.h"

#include <functional>
#include <map>

namespace tk {

// A transfer's destination is written to, so it is asked for 32-bit pixels.
enum class PixelAccess { Read, Write };

class RetainedImages : public Gdi {
public:
    // The image's pixels are asked for at each transfer, so the buffer may
    // move between transfers. The handle lives until Remove.
    using Pixels = std::function<PixelView(PixelAccess)>;
    Hdc Add(const void* image, Pixels pixels);
    void Remove(Hdc hdc);

    int BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x, int src_y,
               std::uint32_t rop) override;

private:
    std::map<Hdc, Pixels> live_;
};

} // namespace tk
