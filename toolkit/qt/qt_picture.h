#pragma once
// The pictures a program file carries, from the built-in resources.

#include "toolkit/picture.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace tk::qt {

// Decoded each time it is drawn: each box draws it into a 32-bit buffer of
// its own, and the form keeps its background, so no other copy is held.
class QtPicture final : public tk::Picture {
public:
    QtPicture(QString path, QByteArray format, QSize size)
        : path_(std::move(path)), format_(std::move(format)), size_(size)
    {
    }
    int Width() const override { return size_.width(); }
    int Height() const override { return size_.height(); }
    QImage Image() const;

private:
    QString path_;
    QByteArray format_;
    QSize size_;
};

// Null for None or a resource that is missing.
PictureRef LoadPicture(ImageId id);

} // namespace tk::qt
