#include "canvas/drawobject.h"

#include "masks/maskbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/listing.h"

#include <QCoreApplication>

namespace tolvane {

void DrawObject(const PictureSurface &image, const PictureSurface &mask, PictureSurface &target, QPoint topLeft,
                ObjectDrawing drawing)
{
    if (drawing == ObjectDrawing::ThroughMask) {
        target.blit(topLeft, mask, image.size(), RasterOp::Or);
        target.blit(topLeft, image, image.size(), RasterOp::Xor);
    } else {
        target.blit(topLeft, image, image.size(), RasterOp::Or);
    }
}

QPoint objectTopLeft(const ObjectHeader &header)
{
    return QPoint(int(header.XPos) - header.XCentre, int(header.YPos) - header.YCentre);
}

QRectF objectOutline(const ObjectHeader &header)
{
    return QRectF(QPointF(objectTopLeft(header)), QSizeF(header.Width, header.Height));
}

QString objectImageFileName(const QString &name)
{
    return name + QStringLiteral(".bmp");
}

Status prepareObjectBuffers(const QString &directory, const DirectoryEntry &entry,
                            PictureSurface &preparedImage, PictureSurface &preparedMask)
{
    const std::optional<QString> name = DashboardDirectory::fileNamePart(entry.Name);
    const std::optional<QString> maskName = maskFileName(entry.Name);
    if (!name || !maskName) {
        return Status::fileError(directory, QCoreApplication::translate(
                                                "DrawObject", "the object name \"%1\" is no plain file name, "
                                                              "so its bitmaps cannot be read.")
                                                .arg(printableName(entry.Name)));
    }

    // Both are read before either buffer changes, so that a failure leaves them as they were.
    const DashboardDirectory dir(directory);
    PictureSurface image;
    MaskPixels mask;
    if (Status s = image.loadPicture(dir.filePath(objectImageFileName(*name))); !s)
        return s;
    // The mask as compilation puts it into SHPI.DAT: the grey levels of its pixels.
    if (Status s = readMaskBitmap(dir.filePath(*maskName), std::nullopt, &mask); !s)
        return s;

    preparedImage.setPicture(image.picture());
    preparedMask.setPicture(maskPicture(mask));
    // P AND M, then XOR M: M AND NOT P, so that the later OR of M and XOR of
    // this leaves P wherever M is white.
    preparedImage.blit(QPoint(0, 0), preparedMask, preparedImage.size(), RasterOp::And);
    preparedImage.blit(QPoint(0, 0), preparedMask, preparedImage.size(), RasterOp::Xor);
    return Status::success();
}

void clearObjectBuffers(PictureSurface &preparedImage, PictureSurface &preparedMask)
{
    // Black in both: ORing 0 and XORing 0 change no pixel.
    QImage nothing(1, 1, QImage::Format_RGB32);
    nothing.fill(Qt::black);
    preparedImage.setPicture(nothing);
    preparedMask.setPicture(nothing);
}

} // namespace tolvane
