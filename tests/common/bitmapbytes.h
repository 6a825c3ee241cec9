#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace testing_support {

/// The bytes of the BMP file Qt writes for @p image, as other editors save them.
inline QByteArray bitmapBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace testing_support
