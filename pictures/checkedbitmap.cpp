#include "checkedbitmap.h"
#include "runlengthbitmap.h"

#include "store/littleendian.h"
#include "store/systemfiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <bit>

namespace tolvane {

using namespace le;

namespace {

constexpr qint64 FileHeader = 14;
constexpr int BitFields = 3;

bool readable(int bitCount, int compression)
{
    switch (compression) {
    case 0: return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                   bitCount == 32;
    case 1: return bitCount == 8;
    case 2: return bitCount == 4;
    case BitFields: return bitCount == 16 || bitCount == 32;
    default: return false;
    }
}

// QImage gives a channel of n < 8 bits as its value times 2^(8 - n), so that
// white is 248 in 5 bits; the full range wants value x 255 / (2^n - 1).
void widenNarrowChannels(QImage &picture, const std::array<quint32, 3> &masks)
{
    std::array<std::array<uchar, 256>, 3> levels;
    bool narrow = false;
    for (size_t c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            levels[c][i] = uchar(i);
        if (masks[c] == 0)
            continue;
        const quint32 largest = masks[c] >> std::countr_zero(masks[c]);
        if (largest >= 255)
            continue;
        const quint32 step = 256 / (largest + 1);
        for (quint32 v = 0; v <= largest; ++v)
            levels[c][v * step] = uchar((v * 255 + largest / 2) / largest);
        narrow = true;
    }
    if (!narrow)
        return;
    for (int y = 0; y < picture.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = qRgba(levels[0][qRed(row[x])], levels[1][qGreen(row[x])], levels[2][qBlue(row[x])],
                           qAlpha(row[x]));
    }
}

} // namespace

qint64 largestBitmapFile(QSize size)
{
    return BitmapLayout::LargestHeaders + qint64(size.height()) * (4 * qint64(size.width()) + 2) + 2;
}

Status readBitmapLayout(const QString &fileName, const QByteArray &head, BitmapLayout *layout)
{
    const auto refuse = [&](const QString &what) { return Status::fileError(fileName, what); };
    if (head.size() < FileHeader + 4 || !head.startsWith("BM"))
        return refuse(QStringLiteral("cannot be read as a BMP picture: it does not start with a BMP file header"));
    const char *b = head.constData();
    const qint64 infoSize = quint32(readInt32(b + 14));
    // The sizes QImage reads: OS/2's 12 and 64 bytes, Windows' 40, 108 and 124.
    const bool os2 = infoSize == 12;
    if (!(os2 || infoSize == 40 || infoSize == 64 || infoSize == 108 || infoSize == 124))
        return refuse(QStringLiteral("has an info header of %1 bytes, which is no BMP header Tolvane reads")
                          .arg(infoSize));
    const QString cutShort = QStringLiteral("is cut short inside its headers");
    if (head.size() < FileHeader + infoSize)
        return refuse(cutShort);

    BitmapLayout l;
    qint64 width, height;
    quint32 colours = 0;
    if (os2) {
        width = readInt16(b + 18);
        height = readInt16(b + 20);
        l.bitCount = readInt16(b + 24);
    } else {
        width = readInt32(b + 18);
        height = readInt32(b + 22);
        l.bitCount = readInt16(b + 28);
        l.compression = readInt32(b + 30);
        colours = quint32(readInt32(b + 46));
    }
    if (!readable(l.bitCount, l.compression))
        return refuse(QStringLiteral("has %1 bits a pixel with compression %2, which Tolvane does not read")
                          .arg(l.bitCount).arg(l.compression));
    height = std::abs(height);
    if (width < 1 || height < 1)
        return refuse(QStringLiteral("claims %1 x %2 pixels").arg(width).arg(height));
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    if (limit > 0 && width * height > limit / 4)
        return refuse(QStringLiteral("claims %1 x %2 pixels, more than Tolvane reads").arg(width).arg(height));
    if (l.runLength() && readInt32(b + 22) < 0)
        return refuse(QStringLiteral("stores run-length data top row first, which BMP does not allow"));
    l.size = QSize(int(width), int(height));

    if (l.bitCount <= 8) {
        l.colourCount = colours ? int(std::min<quint32>(colours, 257)) : 1 << l.bitCount;
        if (l.colourCount > 256)
            return refuse(QStringLiteral("claims %1 colours; a BMP has at most 256").arg(colours));
    }
    // Bit-field masks follow a header too short to hold them.
    const qint64 masksAt = FileHeader + std::min<qint64>(infoSize, 40);
    const qint64 masksAfterHeader = l.compression == BitFields && infoSize < 108 ? 12 : 0;
    if (l.compression == BitFields) {
        if (head.size() < masksAt + 12)
            return refuse(cutShort);
        l.channelMasks = {quint32(readInt32(b + masksAt)), quint32(readInt32(b + masksAt + 4)),
                          quint32(readInt32(b + masksAt + 8))};
    } else if (l.bitCount == 16) {
        l.channelMasks = {0x7c00, 0x03e0, 0x001f};
    }
    l.tableEnd = FileHeader + infoSize + masksAfterHeader + qint64(l.colourCount) * (os2 ? 3 : 4);

    l.pixelOffset = quint32(readInt32(b + 10));
    if (l.pixelOffset < l.tableEnd || l.pixelOffset > BitmapLayout::LargestHeaders)
        return refuse(QStringLiteral("says its pixels start at byte %1, where no BMP with its headers has them")
                          .arg(l.pixelOffset));
    const qint64 stride = (width * l.bitCount + 31) / 32 * 4;
    l.pixelBytes = l.runLength() ? largestBitmapFile(l.size) - BitmapLayout::LargestHeaders : stride * height;
    *layout = l;
    return Status::success();
}

namespace {

// Plain rows must all lie inside the file of @p length bytes.
Status checkPlainRows(const QString &fileName, qint64 length, const BitmapLayout &layout)
{
    if (length >= layout.pixelOffset + layout.pixelBytes)
        return Status::success();
    return Status::fileError(fileName, QStringLiteral("is cut short: its %1 x %2 pixels take %3 bytes from byte "
                                                      "%4, and the file ends at byte %5")
                                           .arg(layout.size.width()).arg(layout.size.height())
                                           .arg(layout.pixelBytes).arg(layout.pixelOffset).arg(length));
}

} // namespace

Status decodeBitmap(const QString &fileName, const QByteArray &file, const BitmapLayout &layout, QImage *picture)
{
    QByteArray plain = file;
    if (layout.runLength()) {
        if (Status s = expandRunLengths(fileName, file, layout, &plain); !s)
            return s;
    } else if (Status s = checkPlainRows(fileName, file.size(), layout); !s) {
        return s;
    }
    QBuffer buffer(&plain);
    QImageReader reader(&buffer, "bmp");
    QImage read = reader.read();
    if (read.isNull() || read.size() != layout.size)
        return Status::fileError(fileName, QStringLiteral("cannot be read as a BMP picture (%1)")
                                               .arg(reader.errorString()));
    widenNarrowChannels(read, layout.channelMasks);
    *picture = std::move(read);
    return Status::success();
}

Status checkBitmapFileLength(const QString &fileName, qint64 length, QSize size)
{
    const qint64 largest = largestBitmapFile(size);
    if (length > largest)
        return Status::fileError(fileName, QStringLiteral("is %1 bytes, more than any BMP of %2 x %3 pixels takes (%4)")
                                               .arg(length).arg(size.width()).arg(size.height()).arg(largest));
    return Status::success();
}

Status readBitmapBytes(const QString &path, std::optional<QSize> size, QByteArray *bytes, BitmapLayout *layout)
{
    QString reason;
    QFile file;
    if (!system_files::openRegularFile(path, file, &reason))
        return Status::fileError(path, reason);
    // The length checked is the most ever read, however the file grows.
    const qint64 length = file.size();
    if (size)
        if (Status s = checkBitmapFileLength(path, length, *size); !s)
            return s;
    QByteArray read = file.read(std::min(length, BitmapLayout::LargestHeaders));
    if (Status s = readBitmapLayout(path, read, layout); !s)
        return s;
    const qint64 headers = read.size();
    const qint64 end = std::min(length, layout->pixelOffset + layout->pixelBytes);
    if (end > headers) {
        read.resize(end);
        const qint64 got = file.read(read.data() + headers, end - headers);
        read.resize(headers + std::max<qint64>(got, 0)); // a file cut short since is refused as such
    }
    *bytes = std::move(read);
    return Status::success();
}

Status checkBitmapFile(const QString &path, BitmapLayout *layout)
{
    QString reason;
    QFile file;
    if (!system_files::openRegularFile(path, file, &reason))
        return Status::fileError(path, reason);
    const qint64 length = file.size();
    if (Status s = readBitmapLayout(path, file.read(std::min(length, BitmapLayout::LargestHeaders)), layout); !s)
        return s;
    if (!layout->runLength())
        return checkPlainRows(path, length, *layout);
    // Run-length data is whole only when it decodes to the end code.
    QImage picture;
    return readBitmapFile(path, &picture);
}

Status readBitmapFile(const QString &path, QImage *picture)
{
    QByteArray bytes;
    BitmapLayout layout;
    if (Status s = readBitmapBytes(path, std::nullopt, &bytes, &layout); !s)
        return s;
    return decodeBitmap(path, bytes, layout, picture);
}

} // namespace tolvane
