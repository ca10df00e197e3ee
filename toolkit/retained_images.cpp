#include "toolkit/retained_images.h"

namespace tk {

Hdc RetainedImages::Add(const void* image, Pixels pixels)
{
    const auto hdc = reinterpret_cast<Hdc>(image);
    live_[hdc] = std::move(pixels);
    return hdc;
}

void RetainedImages::Remove(Hdc hdc) { live_.erase(hdc); }

int RetainedImages::BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x, int src_y,
                           std::uint32_t rop)
{
    const auto to = live_.find(dest);
    const auto from = live_.find(src);
    if (rop != kSourceCopy || to == live_.end() || from == live_.end())
        return 0;
    const PixelView target = to->second(PixelAccess::Write);
    // A transfer within one image reads the 32-bit pixels it writes.
    const PixelView source = to == from ? target : from->second(PixelAccess::Read);
    return CopyRect(target, x, y, width, height, source, src_x, src_y) ? 1 : 0;
}

} // namespace tk
