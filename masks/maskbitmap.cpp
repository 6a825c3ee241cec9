#include "maskbitmap.h"
#include "pictures/checkedbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/littleendian.h"

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

BmpPalette greyRampPalette()
{
    BmpPalette palette;
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return palette;
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
    return maskFileName(*part);
}

QString maskFileName(const QString &fileNamePart)
{
    return QStringLiteral("SHPI") + fileNamePart + QStringLiteral(".BMP");
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

// The size of a file that begins with exactly the headers and palette
// extraction writes for its own size, with all its rows; none otherwise.
std::optional<QSize> extractedSize(const QByteArray &file)
{
    if (file.size() < MaskBitmapHeader::PixelOffset)
        return std::nullopt;
    const MaskBitmapHeader claimed = MaskBitmapHeader::decode(file.constData());
    // Object sizes are 16-bit, which keeps the file size inside 32 bits.
    if (claimed.biWidth < 1 || claimed.biWidth > 32767 || claimed.biHeight < 1 || claimed.biHeight > 32767)
        return std::nullopt;
    char expected[MaskBitmapHeader::Size];
    const MaskBitmapHeader written = MaskBitmapHeader::forObject(claimed.biWidth, claimed.biHeight);
    written.encode(expected);
    const BmpPalette grey = greyRampPalette();
    if (std::memcmp(file.constData(), expected, sizeof expected) != 0 ||
        std::memcmp(file.constData() + MaskBitmapHeader::Size, grey.data(), sizeof grey) != 0 ||
        file.size() < written.bfSize)
        return std::nullopt;
    return QSize(claimed.biWidth, claimed.biHeight);
}

// The stored rows of a file extraction wrote, without their padding.
QByteArray extractedLevels(const QByteArray &file, QSize size)
{
    const int width = size.width();
    const int padded = paddedWidth(width);
    QByteArray levels(qsizetype(width) * size.height(), Qt::Uninitialized);
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(levels.data() + qsizetype(y) * width,
                    file.constData() + MaskBitmapHeader::PixelOffset + qsizetype(y) * padded, size_t(width));
    return levels;
}

// The grey level of every pixel of a decoded picture, bottom row first.
QByteArray greyLevels(const QImage &decoded)
{
    // qGray gives a grey pixel's own level back exactly.
    const QImage picture = decoded.convertToFormat(QImage::Format_RGB32);
    const int width = picture.width();
    const int height = picture.height();
    QByteArray levels(qsizetype(width) * height, Qt::Uninitialized);
    for (int k = 0; k < height; ++k) {
        const auto *row = reinterpret_cast<const QRgb *>(picture.constScanLine(height - 1 - k));
        char *out = levels.data() + qsizetype(k) * width;
        for (int x = 0; x < width; ++x)
            out[x] = char(qGray(row[x]));
    }
    return levels;
}

} // namespace

Status decodeMaskBitmap(const QString &fileName, const QByteArray &file, std::optional<QSize> objectSize,
                        MaskPixels *mask)
{
    if (objectSize)
        if (Status s = checkBitmapFileLength(fileName, file.size(), *objectSize); !s)
            return s;
    const std::optional<QSize> extracted = extractedSize(file);
    BitmapLayout layout;
    if (!extracted)
        if (Status s = readBitmapLayout(fileName, file, &layout); !s)
            return s;
    const QSize size = extracted ? *extracted : layout.size;
    if (objectSize && size != *objectSize)
        return Status::fileError(fileName, QStringLiteral("is %1 x %2 pixels; the object is %3 x %4")
                                               .arg(size.width()).arg(size.height())
                                               .arg(objectSize->width()).arg(objectSize->height()));
    if (extracted) {
        *mask = {size, extractedLevels(file, size)};
        return Status::success();
    }
    QImage picture;
    if (Status s = decodeBitmap(fileName, file, layout, &picture); !s)
        return s;
    *mask = {size, greyLevels(picture)};
    return Status::success();
}

Status readMaskBitmap(const QString &path, std::optional<QSize> objectSize, MaskPixels *mask)
{
    QByteArray file;
    BitmapLayout layout;
    if (Status s = readBitmapBytes(path, objectSize, &file, &layout); !s)
        return s;
    return decodeMaskBitmap(path, file, objectSize, mask);
}

QImage maskPicture(const MaskPixels &mask)
{
    const int width = mask.size.width();
    const int height = mask.size.height();
    QImage picture(mask.size, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        std::memcpy(picture.scanLine(y), mask.levels.constData() + qsizetype(height - 1 - y) * width, size_t(width));
    return picture;
}

} // namespace tolvane
