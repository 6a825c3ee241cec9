#pragma once

// The mask bitmap: one object's pixel block as an uncompressed 8-bit BMP with
// a grey palette, named "SHPI" + name + ".BMP" beside the container.

#include "store/records.h"
#include "store/status.h"

#include <QByteArray>
#include <QIODevice>
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

/// Width rounded up to the next multiple of 4: a BMP row's length.
int paddedWidth(int width);

/// The mask file's name for an object, or nothing when the object's name
/// cannot be a plain file name inside the dashboard directory.
std::optional<QString> maskFileName(const FixedText<4> &objectName);

/// The first object after @p index whose mask file is also object @p index's
/// (file names match whatever their letter case), or -1. Extraction leaves
/// that later object's mask in the file.
int laterObjectSharingMaskFile(const std::vector<DirectoryEntry> &directory, int index);

/// Writes the whole mask file for a pixel block of @p width x @p height to
/// @p out: header, palette, then the block's rows in stored order, each
/// padded with zeros. A positive height puts the first stored row at the
/// bottom of the picture. False when @p out refused a write.
bool writeMaskBitmap(QIODevice &out, const QByteArray &pixels, int width, int height, const BmpPalette &palette);

/// Refuses, naming @p fileName, a mask file of @p size bytes when no BMP of
/// @p width x @p height pixels is that long.
Status checkMaskFileSize(const QString &fileName, qint64 size, int width, int height);

/// Reads a mask file back into a pixel block of @p width x @p height.
/// A file of exactly the length extraction writes is read as written (rows
/// from byte 1078, header and palette ignored, the index is the value). Any
/// other file is decoded as a BMP picture of exactly @p width x @p height,
/// checked against its own headers (decodeBitmap), each pixel giving its
/// grey level, the bottom row being stored row 0.
/// A file longer than checkMaskFileSize allows is refused.
/// On success @p header and @p palette hold the file's first 54 and next 1024
/// bytes when it has them.
Status decodeMaskBitmap(const QString &fileName, const QByteArray &file, int width, int height,
                        QByteArray *pixels, MaskBitmapHeader *header, BmpPalette *palette);

} // namespace tolvane
