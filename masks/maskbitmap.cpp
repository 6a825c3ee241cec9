#include "maskbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/littleendian.h"
#include "window/checkedbitmap.h"

#include <QImage>

#include <cstring>

namespace tolvane {

using namespace le;

MaskBitmapHeader MaskBitmapHeader::forObject(int width, int height)
{
    MaskBitmapHeader h;
    h.bfType = {'B', 'M'};
    h.bfSize = PixelOffset + paddedWidth(width) * height;
    h.bfOffBits = PixelOffset;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biSizeImage = paddedWidth(width) * height;
    return h;
}

MaskBitmapHeader MaskBitmapHeader::decode(const char *b)
{
    MaskBitmapHeader h;
    readText(b, h.bfType);
    h.bfSize = readInt32(b + 2);
    h.bfReserved1 = readInt16(b + 6);
    h.bfReserved2 = readInt16(b + 8);
    h.bfOffBits = readInt32(b + 10);
    h.biSize = readInt32(b + 14);
    h.biWidth = readInt32(b + 18);
    h.biHeight = readInt32(b + 22);
    h.biPlanes = readInt16(b + 26);
    h.biBitCount = readInt16(b + 28);
    h.biCompression = readInt32(b + 30);
    h.biSizeImage = readInt32(b + 34);
    h.biXPelsPerMeter = readInt32(b + 38);
    h.biYPelsPerMeter = readInt32(b + 42);
    h.biClrUsed = readInt32(b + 46);
    h.biClrImportant = readInt32(b + 50);
    return h;
}

void MaskBitmapHeader::encode(char *b) const
{
    writeText(b, bfType);
    writeInt32(b + 2, bfSize);
    writeInt16(b + 6, bfReserved1);
    writeInt16(b + 8, bfReserved2);
    writeInt32(b + 10, bfOffBits);
    writeInt32(b + 14, biSize);
    writeInt32(b + 18, biWidth);
    writeInt32(b + 22, biHeight);
    writeInt16(b + 26, biPlanes);
    writeInt16(b + 28, biBitCount);
    writeInt32(b + 30, biCompression);
    writeInt32(b + 34, biSizeImage);
    writeInt32(b + 38, biXPelsPerMeter);
    writeInt32(b + 42, biYPelsPerMeter);
    writeInt32(b + 46, biClrUsed);
    writeInt32(b + 50, biClrImportant);
}

int paddedWidth(int width)
{
    return (width + 3) / 4 * 4;
}

std::optional<QString> maskFileName(const FixedText<4> &objectName)
{
    const auto part = DashboardDirectory::fileNamePart(objectName);
    if (!part)
        return std::nullopt;
    return QStringLiteral("SHPI") + *part + QStringLiteral(".BMP");
}

int laterObjectSharingMaskFile(const std::vector<DirectoryEntry> &directory, int index)
{
    const auto name = maskFileName(directory[size_t(index)].Name);
    if (!name)
        return -1;
    for (size_t later = size_t(index) + 1; later < directory.size(); ++later) {
        const auto other = maskFileName(directory[later].Name);
        if (other && other->compare(*name, Qt::CaseInsensitive) == 0)
            return int(later);
    }
    return -1;
}

bool writeMaskBitmap(QIODevice &out, const QByteArray &pixels, int width, int height, const BmpPalette &palette)
{
    char header[MaskBitmapHeader::Size];
    MaskBitmapHeader::forObject(width, height).encode(header);
    if (out.write(header, sizeof header) != qint64(sizeof header) ||
        out.write(reinterpret_cast<const char *>(palette.data()), sizeof(BmpPalette)) != qint64(sizeof(BmpPalette)))
        return false;
    const int padding = paddedWidth(width) - width;
    // Rows that need no padding are the block itself, written in one piece.
    if (padding == 0)
        return out.write(pixels.constData(), qint64(width) * height) == qint64(width) * height;
    const char zeros[3] = {};
    for (int y = 0; y < height; ++y) {
        if (out.write(pixels.constData() + qsizetype(y) * width, width) != width || out.write(zeros, padding) != padding)
            return false;
    }
    return true;
}

namespace {

// A picture saved by another editor: any BMP of the object's size, checked
// against its own headers, each pixel's grey level being the mask value.
Status decodeEditedMask(const QString &fileName, const QByteArray &file, int width, int height, QByteArray *pixels)
{
    BitmapLayout layout;
    if (Status s = readBitmapLayout(fileName, file, &layout); !s)
        return s;
    if (layout.size != QSize(width, height))
        return Status::fileError(fileName, QStringLiteral("is %1 x %2 pixels; the object is %3 x %4")
                                               .arg(layout.size.width()).arg(layout.size.height())
                                               .arg(width).arg(height));
    QImage picture;
    if (Status s = decodeBitmap(fileName, file, layout, &picture); !s)
        return s;
    // qGray gives a grey pixel's own level back exactly.
    picture = picture.convertToFormat(QImage::Format_RGB32);
    pixels->resize(qsizetype(width) * height);
    for (int k = 0; k < height; ++k) {
        const auto *row = reinterpret_cast<const QRgb *>(picture.constScanLine(height - 1 - k));
        char *out = pixels->data() + qsizetype(k) * width;
        for (int x = 0; x < width; ++x)
            out[x] = char(qGray(row[x]));
    }
    return Status::success();
}

} // namespace

Status checkMaskFileSize(const QString &fileName, qint64 size, int width, int height)
{
    const qint64 largest = largestBitmapFile(QSize(width, height));
    if (size > largest)
        return Status::fileError(fileName, QStringLiteral("is %1 bytes, more than any BMP of %2 x %3 pixels takes (%4)")
                                               .arg(size).arg(width).arg(height).arg(largest));
    return Status::success();
}

Status decodeMaskBitmap(const QString &fileName, const QByteArray &file, int width, int height,
                        QByteArray *pixels, MaskBitmapHeader *header, BmpPalette *palette)
{
    if (Status s = checkMaskFileSize(fileName, file.size(), width, height); !s)
        return s;
    const int padded = paddedWidth(width);
    if (file.size() != MaskBitmapHeader::PixelOffset + qsizetype(padded) * height)
        return decodeEditedMask(fileName, file, width, height, pixels);

    *header = MaskBitmapHeader::decode(file.constData());
    std::memcpy(palette->data(), file.constData() + MaskBitmapHeader::Size, sizeof(BmpPalette));
    pixels->resize(qsizetype(width) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels->data() + qsizetype(y) * width,
                    file.constData() + MaskBitmapHeader::PixelOffset + qsizetype(y) * padded, width);
    return Status::success();
}

} // namespace tolvane
