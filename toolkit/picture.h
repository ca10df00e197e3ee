#pragma once
// Images as the toolkit hands them around: opaque picture objects and the
// device-context handles of retained images.

#include <cstdint>
#include <memory>

namespace tk {

// The images a program file carries, by resource.
enum class ImageId {
    None,
    UnlitArtwork,
    LitArtwork,
    Icon,
};

// A picture object owned by the toolkit. The core only passes it along.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};
using PictureRef = std::shared_ptr<const Picture>;

// The drawing context of a retained image; 0 is no context.
using Hdc = std::uintptr_t;

// The raster operation of a plain copy (GDI's SRCCOPY).
inline constexpr std::uint32_t kSourceCopy = 0x00CC0020;
inline constexpr int kScaleModePixel = 3;

} // namespace tk
