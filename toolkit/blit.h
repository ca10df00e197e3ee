#pragma once
// A pixel-exact rectangle copy into a 32-bit pixel buffer, clipped to both
// images: the block transfer of backends that keep their own pixel buffers.
// The source may be an 8-bit image with a palette, as a picture is stored.

#include <cstdint>

namespace tk {

struct PixelView {
    std::uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    int stride = 0; // pixels per row
    // Or, read only, one byte per pixel indexing a palette of 256 colours.
    const std::uint8_t* indices = nullptr;
    const std::uint32_t* palette = nullptr;
};

// Copies width x height pixels from src (src_x, src_y) to dest (x, y), which
// must be a 32-bit buffer.
// Returns false when nothing could be copied.
bool CopyRect(const PixelView& dest, int x, int y, int width, int height, const PixelView& src, int src_x,
              int src_y);

} // namespace tk
