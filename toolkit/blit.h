#pragma once
// A pixel-exact rectangle copy between two 32-bit pixel buffers, clipped to
// both: the block transfer of backends that keep their own pixel buffers.

#include <cstdint>

namespace tk {

struct PixelView {
    std::uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    int stride = 0; // pixels per row
};

// Copies width x height pixels from src (src_x, src_y) to dest (x, y).
// Returns false when nothing could be copied.
bool CopyRect(const PixelView& dest, int x, int y, int width, int height, const PixelView& src, int src_x,
              int src_y);

} // namespace tk
