#include "toolkit/qt/qt_picture.h"

namespace tk::qt {

PictureRef LoadPicture(ImageId id)
{
    QString path;
    switch (id) {
    case ImageId::UnlitArtwork:
        path = QStringLiteral(":/art/unlit.png");
        break;
    case ImageId::LitArtwork:
        path = QStringLiteral(":/art/lit.png");
        break;
    case ImageId::Icon:
        path = QStringLiteral(":/art/icon.png");
        break;
    case ImageId::None:
        return nullptr;
    }
    QImage image(path);
    if (image.isNull())
        return nullptr;
    // Painting copies 32-bit pixels; convert once, here.
    if (id != ImageId::Icon)
        image = image.convertToFormat(QImage::Format_RGB32);
    return std::make_shared<QtPicture>(std::move(image));
}

} // namespace tk::qt
