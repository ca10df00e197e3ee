#include "toolkit/qt/qt_picture.h"

#include <QImageReader>

namespace tk::qt {

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
    QImageReader reader(path, id == ImageId::Icon ? "png" : "bmp");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    // Kept as decoded (8-bit artwork is a quarter of its 32-bit form): each
    // box draws it into its own 32-bit buffer, and painting converts as it goes.
    return std::make_shared<QtPicture>(image);
}

} // namespace tk::qt
