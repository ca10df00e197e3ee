#pragma once
// Writers for the files the program and the Windows build carry.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tarvisk::art {

// An 8-bit palettized Windows bitmap: BITMAPINFOHEADER, a 256-entry colour
// table and bottom-up rows. `image` must be Format_Indexed8.
QByteArray EncodeBmp8(const QImage& image);

// A Windows icon with one 32 x 32 image of 4 bits per pixel in the standard
// 16 colours, and its AND mask. Fully transparent pixels of `icon` go to the
// mask; every other pixel must be one of the 16 colours.
QByteArray EncodeIco4(const QImage& icon);

// A PNG with no time stamp or text, so equal images give equal bytes.
QByteArray EncodePng(const QImage& image);

bool WriteFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace tarvisk::art
