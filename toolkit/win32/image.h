#pragma once
// Retained images: 32-bit top-down DIB sections, each selected into a memory
// DC of its own for its whole life, so that DC is the image's hDC.

#include "toolkit/win32/handles.h"

#include <cstdint>
#include <memory>

namespace tk::win32 {

class Dib {
public:
    // Throws tk::Error when GDI has no room for it.
    Dib(int width, int height);
    ~Dib();
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    HDC Dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Pixel (x, y) as 0x00RRGGBB.
    std::uint32_t At(int x, int y) const;

    void Fill(COLORREF colour);
    // Copies source onto this image at (0, 0), clipped to both.
    void Draw(const Dib& source);

private:
    int width_, height_;
    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// A picture object of the toolkit: an image the program file carries.
class Win32Picture final : public tk::Picture {
public:
    explicit Win32Picture(std::unique_ptr<Dib> image) : image_(std::move(image)) {}
    int Width() const override { return image_->Width(); }
    int Height() const override { return image_->Height(); }
    const Dib& Image() const { return *image_; }

private:
    std::unique_ptr<Dib> image_;
};

// Decodes a bitmap resource (any depth the DIB format allows) into a
// retained image. Throws tk::Error when it is missing or unreadable.
std::unique_ptr<Dib> LoadBitmapResource(HINSTANCE module, int id);

COLORREF ToColorRef(tk::Rgb colour);

} // namespace tk::win32
