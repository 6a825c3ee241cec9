#pragma once

#include "common/containerbuilder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>

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

/// A BMP with a 40-byte info header (or the 12-byte OS/2 one) and the given
/// colour table (or bit-field masks) and pixel bytes, taken as they are.
inline QByteArray handMadeBitmap(int width, int height, int bitCount, int compression, const QByteArray &colours,
                                 const QByteArray &pixels, bool os2 = false)
{
    const int infoSize = os2 ? 12 : 40;
    QByteArray b("BM");
    putInt32(b, 14 + infoSize + colours.size() + pixels.size());
    putInt32(b, 0);
    putInt32(b, 14 + infoSize + colours.size());
    putInt32(b, infoSize);
    if (os2) {
        putInt16(b, width);
        putInt16(b, height);
        putInt16(b, 1);
        putInt16(b, bitCount);
    } else {
        putInt32(b, width);
        putInt32(b, height);
        putInt16(b, 1);
        putInt16(b, bitCount);
        putInt32(b, compression);
        putInt32(b, pixels.size());
        putInt32(b, 2835);
        putInt32(b, 2835);
        putInt32(b, bitCount <= 8 ? colours.size() / 4 : 0);
        putInt32(b, 0);
    }
    return b + colours + pixels;
}

/// A colour table of @p count grey levels from black to white.
inline QByteArray greyColours(int count, int entrySize = 4)
{
    QByteArray c;
    for (int i = 0; i < count; ++i) {
        const char level = char(i * 255 / std::max(1, count - 1));
        c.append(QByteArray(3, level));
        if (entrySize == 4)
            c.append('\0');
    }
    return c;
}

/// A palette of 256 entries as editors save with 8-bit pictures of their own:
/// the grey ramp in reverse, or (with @p coloured) colours.
inline QList<QRgb> ownPalette(bool coloured)
{
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(coloured ? qRgb(i, 255 - i, i * 7 % 256) : qRgb(255 - i, 255 - i, 255 - i));
    return palette;
}

} // namespace testing_support
