#pragma once

// BMP files checked against their own headers before QImage decodes them.
// QImage leaves whatever the allocator handed it in every pixel that a file
// cut short, or a run-length stream ending early, does not reach; so only
// complete files of plain rows reach it.

#include "store/status.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace tolvane {

/// What a BMP file's headers say, checked against the file's length.
struct BitmapLayout
{
    /// The file header, the largest info header and a full colour table: the
    /// pixel data of a bitmap never starts later than this.
    static constexpr qint64 LargestHeaders = 14 + 124 + 256 * 4;

    QSize size;               // the height counted positive
    int bitCount = 0;
    int compression = 0;      // 0 rows, 1 RLE8, 2 RLE4, 3 bit fields
    int colourCount = 0;      // entries of the colour table
    qint64 tableEnd = 0;      // where headers, channel masks and colour table end
    qint64 pixelOffset = 0;
    qint64 pixelBytes = 0;    // of plain rows; of run-length data, the most it may take
    std::array<quint32, 3> channelMasks{}; // red, green, blue of 16-bit and bit-field pixels

    bool runLength() const { return compression == 1 || compression == 2; }
};

/// The longest BMP file of a picture of @p size: the largest headers and 4
/// bytes a pixel and 2 a row, which neither 32-bit rows nor run-length codes
/// exceed.
qint64 largestBitmapFile(QSize size);

/// Reads the layout from @p head, the file's first LargestHeaders bytes or
/// all of a shorter file. Refuses, naming @p fileName, headers it cannot
/// read, a picture larger than QImage would allocate, and pixel data said to
/// start inside the headers or past the largest of them.
Status readBitmapLayout(const QString &fileName, const QByteArray &head, BitmapLayout *layout);

/// Decodes @p file of the given layout. Plain rows must all be inside the
/// file. Run-length data must end with its end-of-bitmap code inside the
/// file, within the pixel bytes the layout allows (so that a file read only
/// that far decodes alike), and stay inside the picture; the pixels it skips
/// are index 0.
/// Channels of fewer than 8 bits are scaled to the full 0..255.
Status decodeBitmap(const QString &fileName, const QByteArray &file, const BitmapLayout &layout, QImage *picture);

/// Refuses, naming @p fileName, a file of @p length bytes when no BMP of
/// @p size is that long.
Status checkBitmapFileLength(const QString &fileName, qint64 length, QSize size);

/// Reads the BMP file at @p path as far as its headers account for, with its
/// layout. Only a regular file is read (as the opened file says: a pipe is
/// never waited for), and no further than the length it had when opened. With
/// @p size, a file longer than any BMP of that size is refused unread.
Status readBitmapBytes(const QString &path, std::optional<QSize> size, QByteArray *bytes, BitmapLayout *layout);

/// Checks the BMP file at @p path as readBitmapFile() reads it, without
/// decoding plain rows: its headers, and that all its pixel data lies inside
/// it (plain rows by the file's length; run-length data decoded). On success
/// @p layout holds what its headers say.
Status checkBitmapFile(const QString &path, BitmapLayout *layout);

/// Reads the BMP file at @p path (readBitmapBytes) and decodes it.
Status readBitmapFile(const QString &path, QImage *picture);

} // namespace tolvane
