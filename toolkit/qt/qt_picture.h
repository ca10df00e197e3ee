#pragma once
// The pictures a program file carries, from the built-in resources.

#include "toolkit/picture.h"

#include <QImage>

namespace tk::qt {

class QtPicture final : public tk::Picture {
public:
    explicit QtPicture(QImage image) : image_(std::move(image)) {}
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    const QImage& Image() const { return image_; }

private:
    QImage image_;
};

// Null for None or a resource that is missing.
PictureRef LoadPicture(ImageId id);

} // namespace tk::qt
