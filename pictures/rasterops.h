#pragma once

#include <QtGlobal>

class QImage;
class QPoint;
class QRect;
class QSize;

namespace tolvane {

/// The three raster operations of the object display. S is the source pixel,
/// D the destination pixel.
enum class RasterOp {
    And, ///< D := S AND D
    Xor, ///< D := S XOR D
    Or,  ///< D := S OR D
};

/// Combines the block of @p size at (0, 0) of @p source into @p dest at
/// @p at, bit by bit on the 24 colour bits. Both images must be
/// QImage::Format_RGB32; the alpha byte of @p dest stays 0xFF.
///
/// The block is clipped to @p dest and to @p source: destination pixels
/// whose source pixel would lie outside @p source are left as they are.
/// @p source may be @p dest itself. Returns the rectangle of @p dest that
/// was written, empty when nothing was.
QRect rasterBlit(QImage &dest, const QPoint &at, const QImage &source, const QSize &size,
                 RasterOp op);

} // namespace tolvane
