#include "toolkit/blit.h"

#include <algorithm>
#include <cstring>

namespace tk {

bool CopyRect(const PixelView& dest, int x, int y, int width, int height, const PixelView& src, int src_x,
              int src_y)
{
    const bool indexed = src.indices && src.palette;
    if (!dest.pixels || !(src.pixels || indexed) || width <= 0 || height <= 0)
        return false;
    // Rectangles far outside any image copy nothing; this also keeps the
    // clipping arithmetic below far from overflow.
    constexpr int kFar = 1 << 24;
    for (int v : {x, y, src_x, src_y, width, height})
        if (v < -kFar || v > kFar)
            return false;
    // Clip on the left and top of both buffers, then on the right and bottom.
    int skip_x = std::max({0, -x, -src_x});
    int skip_y = std::max({0, -y, -src_y});
    x += skip_x, src_x += skip_x, width -= skip_x;
    y += skip_y, src_y += skip_y, height -= skip_y;
    width = std::min({width, dest.width - x, src.width - src_x});
    height = std::min({height, dest.height - y, src.height - src_y});
    if (width <= 0 || height <= 0)
        return false;
    if (indexed) {
        for (int row = 0; row < height; ++row) {
            std::uint32_t* to = dest.pixels + static_cast<std::ptrdiff_t>(y + row) * dest.stride + x;
            const std::uint8_t* from =
                src.indices + static_cast<std::ptrdiff_t>(src_y + row) * src.stride + src_x;
            for (int i = 0; i < width; ++i)
                to[i] = src.palette[from[i]];
        }
        return true;
    }
    for (int row = 0; row < height; ++row) {
        std::memmove(dest.pixels + static_cast<std::ptrdiff_t>(y + row) * dest.stride + x,
                     src.pixels + static_cast<std::ptrdiff_t>(src_y + row) * src.stride + src_x,
                     static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    }
    return true;
}

} // namespace tk
