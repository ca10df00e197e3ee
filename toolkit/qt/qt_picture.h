#pragma once
// The pictures a program file carries, from the built-in resources.

#include "toolkit/picture.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

namespace tk::qt {

// Decoded when drawn, and held only by what shows it: the form its
// background, a box the picture that fills it. Drawn again while still held,
// it is shared, not decoded a second time.
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
    mutable std::weak_ptr<const QImage> shown_;
};

// Null for None or a resource that is missing.
PictureRef LoadPicture(ImageId id);

} // namespace tk::qt
