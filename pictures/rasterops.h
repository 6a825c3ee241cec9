#pragma once

#include <QtGlobal>

class QImage;
class QPoint;
class QRect;
class QSize;

namespace tolvane {

/// The three raster operations of the object display, with the values GDI
/// gives them. S is the source pixel, D the destination pixel.
enum class RasterOp : quint32 {
    SRCAND = 0x8800C6,    ///< D := S AND D
    SRCINVERT = 0x660046, ///< D := S XOR D
    SRCPAINT = 0xEE0086,  ///< D := S OR D
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
