#pragma once

// The mask bitmap: one object's pixel block as an uncompressed 8-bit BMP with
// a grey palette, named "SHPI" + name + ".BMP" beside the container.

#include "store/records.h"
#include "store/status.h"

#include <QByteArray>
#include <QImage>
#include <QIODevice>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace tolvane {

/// The two headers of a mask bitmap, the first 54 bytes of the file.
struct MaskBitmapHeader
{
    static constexpr int Size = 54;
    static constexpr int PixelOffset = Size + 256 * 4; // rows follow the palette directly

    FixedText<2> bfType{};
    int32_t bfSize = 0;
    int16_t bfReserved1 = 0;
    int16_t bfReserved2 = 0;
    int32_t bfOffBits = 0;
    int32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    int16_t biPlanes = 0;
    int16_t biBitCount = 0;
    int32_t biCompression = 0;
    int32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    int32_t biClrUsed = 0;
    int32_t biClrImportant = 0;

    /// The header extraction writes for an object of @p width x @p height.
    static MaskBitmapHeader forObject(int width, int height);

    static MaskBitmapHeader decode(const char *bytes);
    void encode(char *bytes) const;
};

/// One 4-byte palette entry in file order: blue, green, red, reserved.
struct PaletteEntry
{
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    friend bool operator==(const PaletteEntry &, const PaletteEntry &) = default;
};

using BmpPalette = std::array<PaletteEntry, 256>;

/// The grey ramp: entry i is (i, i, i, 0).
BmpPalette greyRampPalette();

/// Width rounded up to the next multiple of 4: a BMP row's length.
int paddedWidth(int width);

/// The mask file's name for an object, "SHPI" + name + ".BMP" in the letter
/// case extraction writes, or nothing when the object's name cannot be a
/// plain file name inside the dashboard directory. Every part of the program
/// finds the file by this name, whatever its letter case on disk.
std::optional<QString> maskFileName(const FixedText<4> &objectName);
/// The mask file's name for an object name's file name part.
QString maskFileName(const QString &fileNamePart);

/// The first object after @p index whose mask file is also object @p index's
/// (file names match whatever their letter case), or -1. Extraction leaves
/// that later object's mask in the file.
int laterObjectSharingMaskFile(const std::vector<DirectoryEntry> &directory, int index);

/// Writes the whole mask file for a pixel block of @p width x @p height to
/// @p out: header, palette, then the block's rows in stored order, each
/// padded with zeros. A positive height puts the first stored row at the
/// bottom of the picture. False when @p out refused a write.
bool writeMaskBitmap(QIODevice &out, const QByteArray &pixels, int width, int height, const BmpPalette &palette);

/// A mask's pixels: one grey level a pixel, the rows in stored order (the
/// bottom row of the picture first), as an object's pixel block holds them.
struct MaskPixels
{
    QSize size;
    QByteArray levels;
};

/// Decodes a mask file. Its headers are checked and followed whoever wrote
/// it; only a file whose 54 header bytes and palette are exactly those
/// extraction writes has its rows copied as they are (the index is the
/// level). Any other is decoded as a BMP picture checked against its own
/// headers (decodeBitmap), each pixel giving qGray() of its colour, which is
/// a grey palette entry's own level whatever its place in the palette.
/// With @p objectSize, a file longer than any BMP of that size or a picture
/// of another size is refused, naming @p fileName, before it is decoded.
Status decodeMaskBitmap(const QString &fileName, const QByteArray &file, std::optional<QSize> objectSize,
                        MaskPixels *mask);

/// Reads the mask file at @p path (readBitmapBytes: only a regular file, read
/// no further than it was checked) and decodes it (decodeMaskBitmap).
Status readMaskBitmap(const QString &path, std::optional<QSize> objectSize, MaskPixels *mask);

/// The mask as a picture of grey levels, top row first.
QImage maskPicture(const MaskPixels &mask);

} // namespace tolvane
