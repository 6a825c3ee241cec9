#include "pictures/rasterops.h"

#include <QImage>
#include <QRect>

#include <algorithm>

namespace tolvane {

namespace {

// RGB32 pixels are 0xFFRRGGBB: AND and OR of two such pixels keep the alpha
// byte at 0xFF, XOR clears it, so the XOR puts it back.
struct And { quint32 operator()(quint32 s, quint32 d) const { return s & d; } };
struct Invert { quint32 operator()(quint32 s, quint32 d) const { return (s ^ d) | 0xFF000000u; } };
struct Paint { quint32 operator()(quint32 s, quint32 d) const { return s | d; } };

template<typename Combine>
void combineRows(QImage &dest, const QRect &target, const QImage &source, const QPoint &from)
{
    const Combine combine;
    for (int row = 0; row < target.height(); ++row) {
        // The rows never overlap (a blit onto itself reads a copy), which
        // lets the compiler combine several pixels at once.
        auto *__restrict d = reinterpret_cast<quint32 *>(dest.scanLine(target.y() + row)) + target.x();
        const auto *__restrict s = reinterpret_cast<const quint32 *>(source.constScanLine(from.y() + row)) + from.x();
        for (int i = 0; i < target.width(); ++i)
            d[i] = combine(s[i], d[i]);
    }
}

// The part [start, end) of one axis that lies inside both images, for a
// block placed at `at`; 64-bit so that no position near the int limits wraps.
struct Span { int destStart = 0; int sourceStart = 0; int length = 0; };

Span clipAxis(int at, int length, int sourceLength, int destLength)
{
    const qint64 used = std::min<qint64>(length, sourceLength);
    const qint64 start = std::max<qint64>(at, 0);
    const qint64 end = std::min<qint64>(qint64(at) + used, destLength);
    if (end <= start)
        return {};
    return { int(start), int(start - at), int(end - start) };
}

} // namespace

QRect rasterBlit(QImage &dest, const QPoint &at, const QImage &source, const QSize &size,
                 RasterOp op)
{
    if (dest.format() != QImage::Format_RGB32 || source.format() != QImage::Format_RGB32)
        return {};

    const Span x = clipAxis(at.x(), size.width(), source.width(), dest.width());
    const Span y = clipAxis(at.y(), size.height(), source.height(), dest.height());
    if (x.length == 0 || y.length == 0)
        return {};

    const QRect target(x.destStart, y.destStart, x.length, y.length);
    QPoint from(x.sourceStart, y.sourceStart);

    // A surface blitted onto itself must read the pixels as they were
    // before the blit, not the ones it has just written.
    const QImage *src = &source;
    QImage snapshot;
    if (source.constBits() == dest.constBits()) {
        snapshot = source.copy(QRect(from, target.size()));
        src = &snapshot;
        from = QPoint(0, 0);
    }

    switch (op) {
    case RasterOp::And:
        combineRows<And>(dest, target, *src, from);
        break;
    case RasterOp::Xor:
        combineRows<Invert>(dest, target, *src, from);
        break;
    case RasterOp::Or:
        combineRows<Paint>(dest, target, *src, from);
        break;
    default:
        return {};
    }
    return target;
}

} // namespace tolvane
