#include "toolkit/win32/image.h"

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstdlib>

namespace tk::win32 {

Dib::Dib(int width, int height) : width_(width), height_(height)
{
    if (width <= 0 || height <= 0)
        throw tk::Error("Invalid picture");
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_)
        throw tk::Error("Out of memory");
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits)
        throw tk::Error("Out of memory");
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = ::SelectObject(dc_.get(), bitmap_.get());
}

Dib::~Dib()
{
    // The bitmap can only be deleted once no DC holds it.
    if (previous_)
        ::SelectObject(dc_.get(), previous_);
}

std::uint32_t Dib::At(int x, int y) const
{
    ::GdiFlush();
    return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)] &
        0x00ffffffu;
}

void Dib::Fill(COLORREF colour)
{
    GdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
    RECT all{0, 0, width_, height_};
    if (brush)
        ::FillRect(dc_.get(), &all, brush.get());
}

void Dib::Draw(const Dib& source)
{
    ::BitBlt(dc_.get(), 0, 0, std::min(width_, source.width_), std::min(height_, source.height_), source.Dc(),
             0, 0, SRCCOPY);
}

std::unique_ptr<Dib> LoadBitmapResource(HINSTANCE module, int id)
{
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    const DWORD size = found ? ::SizeofResource(module, found) : 0;
    if (!data || size < sizeof(BITMAPINFOHEADER))
        throw tk::Error("Can't load the picture");

    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data);
    if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > size || header->biWidth <= 0 ||
        header->biHeight == 0)
        throw tk::Error("Invalid picture");
    std::size_t colours = header->biClrUsed;
    if (colours == 0 && header->biBitCount <= 8)
        colours = std::size_t{1} << header->biBitCount;
    std::size_t offset = header->biSize + colours * sizeof(RGBQUAD);
    if (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER))
        offset += 3 * sizeof(DWORD);
    if (offset >= size)
        throw tk::Error("Invalid picture");

    const int width = header->biWidth;
    const int height = std::abs(header->biHeight);
    if (header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS) {
        // 64 bits: on the 32-bit target the product could wrap.
        const std::uint64_t stride = (static_cast<std::uint64_t>(width) * header->biBitCount + 31) / 32 * 4;
        if (width <= 0 || stride * static_cast<std::uint64_t>(height) > size - offset)
            throw tk::Error("Invalid picture");
    }
    auto image = std::make_unique<Dib>(width, height);
    const int lines =
        ::SetDIBitsToDevice(image->Dc(), 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                            static_cast<UINT>(height), data + offset,
                            reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
    if (lines <= 0)
        throw tk::Error("Invalid picture");
    return image;
}

COLORREF ToColorRef(tk::Rgb colour) { return RGB(colour.r, colour.g, colour.b); }

} // namespace tk::win32
