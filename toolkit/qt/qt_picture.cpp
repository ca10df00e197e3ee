#include "toolkit/qt/qt_picture.h"

#include <QImageReader>
#include <QResource>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace tk::qt {

namespace {

// A picture's stored bytes are read once. Their pages go back to the program
// file, out of the process's memory, and are read from it again if needed.
void ReleaseStoredBytes(const QString& path)
{
    const QResource stored(path);
    if (stored.compressionAlgorithm() != QResource::NoCompression || stored.data() == nullptr)
        return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(stored.data());
    const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t last = (begin + static_cast<std::uintptr_t>(stored.size())) & ~(page - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

} // namespace

PictureRef LoadPicture(ImageId id)
{
    QString path;
    switch (id) {
    case ImageId::UnlitArtwork:
        path = QStringLiteral(":/art/unlit.bmp");
        break;
    case ImageId::LitArtwork:
        path = QStringLiteral(":/art/lit.bmp");
        break;
    case ImageId::Icon:
        path = QStringLiteral(":/art/icon.png");
        break;
    case ImageId::None:
        return nullptr;
    }
    // Named and not guessed, the format loads no image plugin to ask. The
    // artworks are the uncompressed bitmaps the Windows program shows: read,
    // not inflated, on the way to the first paint.
    const QByteArray format = id == ImageId::Icon ? "png" : "bmp";
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return nullptr;
    return std::make_shared<QtPicture>(path, format, size);
}

QImage QtPicture::Image() const
{
    std::shared_ptr<const QImage> decoded = shown_.lock();
    if (!decoded) {
        QImageReader reader(path_, format_);
        reader.setAutoDetectImageFormat(false);
        decoded = std::make_shared<const QImage>(reader.read());
        ReleaseStoredBytes(path_);
        if (decoded->isNull())
            return {};
        shown_ = decoded;
    }
    // A view of the decoded pixels that keeps them while it, or a copy of
    // it, lives; a change to it changes a copy of its own.
    const QImage& pixels = *decoded;
    QImage view(
        pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(), pixels.format(),
        [](void* held) { delete static_cast<std::shared_ptr<const QImage>*>(held); },
        new std::shared_ptr<const QImage>(decoded));
    view.setColorTable(pixels.colorTable());
    return view;
}

} // namespace tk::qt
