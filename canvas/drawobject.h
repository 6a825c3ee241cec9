#pragma once

#include "pictures/picturesurface.h"
#include "store/records.h"
#include "store/status.h"

#include <QPoint>
#include <QRectF>
#include <QString>

namespace tolvane {

/// How DrawObject() puts an object on the dashboard.
enum class ObjectDrawing {
    /// Composited through its mask: OR the mask in, then XOR the prepared
    /// image (see prepareObjectBuffers()). Per pixel that gives the artwork
    /// where the mask is white, leaves the dashboard where it is black, and
    /// (D OR M) XOR (M AND NOT P) in between.
    ThroughMask,
    /// Only the prepared image ORed in, a light ghost of the object, as a
    /// drag shows it; the mask is not read.
    Ghost,
};

/// Puts an object's pixels onto @p target with its top-left corner at
/// @p topLeft, which may lie beyond the 16-bit range, as the stored place of
/// an object with extreme centre values does. Every blit is the size of
/// @p image; the part that falls outside @p target is not drawn.
void DrawObject(const PictureSurface &image, const PictureSurface &mask, PictureSurface &target, QPoint topLeft,
                ObjectDrawing drawing);

/// Where the stored place of an object puts its top-left corner on the
/// dashboard: (XPos - XCentre, YPos - YCentre).
QPoint objectTopLeft(const ObjectHeader &header);
/// The selection outline of an object at its stored place. Its size comes
/// from the table, not from the bitmaps, so the two may differ.
QRectF objectOutline(const ObjectHeader &header);

/// The artwork file of an object: name + ".bmp". Its mask file is
/// maskFileName().
QString objectImageFileName(const QString &name);

/// Reads the artwork and the mask of the object @p entry from @p directory
/// (found whatever the letter case of their names) into @p preparedImage and
/// @p preparedMask, the mask as the grey levels compilation takes from it
/// (readMaskBitmap), then prepares the image against the mask: @p preparedImage
/// ends up holding M AND NOT P, which is what DrawObject() XORs in.
///
/// A name that is no plain file name, or a missing or unreadable file, gives
/// a failure naming the file, and both buffers stay as they were.
Status prepareObjectBuffers(const QString &directory, const DirectoryEntry &entry,
                            PictureSurface &preparedImage, PictureSurface &preparedMask);

/// Leaves in both buffers an object that DrawObject() draws as nothing, so
/// that the bitmaps of an earlier object cannot stand in for one that failed
/// to load.
void clearObjectBuffers(PictureSurface &preparedImage, PictureSurface &preparedMask);

} // namespace tolvane
