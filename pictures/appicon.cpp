#include "appicon.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvane {

QImage appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
    p.setBrush(QColor(0x10, 0x10, 0x20));
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));

    p.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1.5, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i <= 8; ++i) {
        p.save();
        p.translate(16, 16);
        p.rotate(-135 + i * 270.0 / 8);
        p.drawLine(QPointF(0, -12), QPointF(0, -9.5));
        p.restore();
    }
    p.setPen(QPen(QColor(0xff, 0x60, 0x10), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(24.5, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.drawEllipse(QPointF(16, 16), 2.5, 2.5);
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

} // namespace tolvane
