#pragma once
// The pictures a program file carries, from the built-in resources.

#include "toolkit/picture.h"

#include <QImage>

namespace tk::qt {

class QtPicture final : public tk::Picture {
public:
    QtPicture(ImageId id, QImage image) : id_(id), image_(std::move(image)) {}
    ImageId Id() const { return id_; }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    const QImage& Image() const { return image_; }

private:
    ImageId id_;
    QImage image_;
};

// Null for None or a resource that is missing.
PictureRef LoadPicture(ImageId id);

} // namespace tk::qt
