#include "pictures/picturesurface.h"
#include "pictures/checkedbitmap.h"
#include "pictures/bundledfont.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tolvane {

namespace {

// Beyond this, a coordinate or radius is nonsense from a broken computation;
// it also keeps QPainter's fixed-point rasteriser far from overflowing.
constexpr double coordinateLimit = 1 << 22;
constexpr int widestPen = 32767;

bool usable(double coordinate) { return std::isfinite(coordinate) && std::abs(coordinate) <= coordinateLimit; }

bool finite(const QPointF &point) { return std::isfinite(point.x()) && std::isfinite(point.y()); }

// Nearest pixel, halves to even, as the rest of the program rounds.
int toPixel(double coordinate) { return int(std::nearbyint(coordinate)); }

QPoint toPixel(const QPointF &point) { return QPoint(toPixel(point.x()), toPixel(point.y())); }

// Cuts the segment a-b to the part inside `bounds` (Liang-Barsky); false when
// none of it is.
bool clipSegment(QPointF &a, QPointF &b, const QRectF &bounds)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = { -dx, dx, -dy, dy };
    const double q[4] = { a.x() - bounds.left(), bounds.right() - a.x(),
                          a.y() - bounds.top(), bounds.bottom() - a.y() };
    double enter = 0.0;
    double leave = 1.0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
        if (enter > leave)
            return false;
    }
    const QPointF start = a;
    a = start + enter * QPointF(dx, dy);
    b = start + leave * QPointF(dx, dy);
    return true;
}

// QPainter puts an aliased one-pixel pen on the pixel it is given, but centres
// wider pens on pixel corners; half a pixel moves those onto the centres, so
// that a wide dot or line lies evenly around its pixel.
void preparePen(QPainter &painter, OleColor colour, int width)
{
    painter.setPen(QPen(toQColor(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    if (width > 1)
        painter.translate(0.5, 0.5);
}

QRect around(const QPoint &a, const QPoint &b, int margin)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
        .adjusted(-margin, -margin, margin, margin);
}

QFont textFont()
{
    QFont font(bundledFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

} // namespace

PictureSurface::PictureSurface(const QSize &size, QObject *parent)
    : QObject(parent)
    , m_image(size.isValid() ? size : QSize(0, 0), QImage::Format_RGB32)
    , m_font(textFont())
{
    m_image.fill(toQRgb(m_backgroundColour));
}

Status PictureSurface::loadPicture(const QString &bmpPath)
{
    QImage picture;
    if (Status s = readBitmapFile(bmpPath, &picture); !s)
        return s;
    setPicture(picture);
    return Status::success();
}

void PictureSurface::setPicture(const QImage &picture)
{
    const QSize oldSize = m_image.size();
    // Converting ARGB32 to RGB32 drops the alpha byte and keeps the colour
    // bits, which is what a blit between bitmaps sees.
    m_picture = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    restoreAll();
    if (m_image.size() != oldSize)
        Q_EMIT sizeChanged(m_image.size());
}

void PictureSurface::setBackgroundColour(OleColor colour)
{
    m_backgroundColour = colour & 0xFFFFFFu;
    restoreAll();
}

void PictureSurface::restoreAll()
{
    m_screenLayerShown = false;
    m_screenLayer = QImage();
    m_drawnOnScreen = QRegion();
    m_drawn = QRegion();
    if (m_picture.isNull())
        m_image.fill(toQRgb(m_backgroundColour));
    else
        m_image = m_picture.copy(); // detached now, not on the first drawing
    Q_EMIT changed(QRegion(m_image.rect()));
    dropPrinted();
}

void PictureSurface::restore(const QRegion &region)
{
    const QRgb background = toQRgb(m_backgroundColour);
    for (const QRect &rect : region) {
        const QRect r = rect & m_image.rect();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(m_image.scanLine(y)) + r.x();
            if (m_picture.isNull())
                std::fill_n(line, r.width(), background);
            else
                std::copy_n(reinterpret_cast<const QRgb *>(m_picture.constScanLine(y)) + r.x(),
                            r.width(), line);
        }
    }
}

void PictureSurface::clear()
{
    dropScreenLayer();
    if (m_persistentDrawing && !m_drawn.isEmpty()) {
        const QRegion drawn = std::exchange(m_drawn, QRegion());
        restore(drawn);
        Q_EMIT changed(drawn);
    }
    dropPrinted();
}

void PictureSurface::dropScreenLayer()
{
    if (!m_screenLayerShown)
        return;
    m_screenLayerShown = false;
    m_screenLayer = QImage();
    const QRegion shown = std::exchange(m_drawnOnScreen, QRegion());
    if (!shown.isEmpty())
        Q_EMIT changed(shown);
}

QImage &PictureSurface::beginDrawing()
{
    if (m_persistentDrawing) {
        dropScreenLayer();
        return m_image;
    }
    if (!m_screenLayerShown) {
        m_screenLayer = m_image.copy();
        m_screenLayerShown = true;
    }
    return m_screenLayer;
}

void PictureSurface::finishDrawing(const QRect &area)
{
    if (area.isEmpty())
        return;
    (m_persistentDrawing ? m_drawn : m_drawnOnScreen) += area;
    Q_EMIT changed(QRegion(area));
}

template<typename PaintFunction>
void PictureSurface::paint(const QRect &area, PaintFunction &&paintFunction)
{
    const QRect visible = area & m_image.rect();
    if (visible.isEmpty())
        return;
    paintFunction(beginDrawing());
    finishDrawing(visible);
}

void PictureSurface::print(const QString &text, PrintTarget::LineEnd end)
{
    if (m_lineOpen)
        m_printed.last() += text;
    else
        m_printed.append(text);
    m_lineOpen = end == PrintTarget::KeepLineOpen;
    Q_EMIT printedChanged();
}

void PictureSurface::dropPrinted()
{
    m_lineOpen = false;
    if (!m_printed.isEmpty()) {
        m_printed.clear();
        Q_EMIT printedChanged();
    }
}

void PictureSurface::drawPoint(const QPointF &at, OleColor colour)
{
    if (!usable(at.x()) || !usable(at.y()))
        return;
    const QPoint pixel = toPixel(at);
    paint(around(pixel, pixel, m_penWidth / 2 + 1), [&](QImage &target) {
        if (m_penWidth == 1) {
            target.setPixel(pixel, toQRgb(colour));
            return;
        }
        QPainter painter(&target);
        preparePen(painter, colour, m_penWidth);
        painter.drawPoint(pixel);
    });
}

std::optional<OleColor> PictureSurface::pixel(int x, int y) const
{
    if (!m_image.valid(x, y))
        return std::nullopt;
    return fromQRgb(m_image.pixel(x, y));
}

void PictureSurface::fillRect(const QPointF &corner, const QPointF &oppositeCorner, OleColor colour)
{
    if (!finite(corner) || !finite(oppositeCorner))
        return;
    // Corners far outside fill up to the edge, as near ones do.
    const QRectF reach = QRectF(m_image.rect()).adjusted(-1, -1, 1, 1);
    const auto inReach = [&](const QPointF &point) {
        return toPixel(QPointF(std::clamp(point.x(), reach.left(), reach.right()),
                               std::clamp(point.y(), reach.top(), reach.bottom())));
    };
    const QRect box = around(inReach(corner), inReach(oppositeCorner), 0);
    paint(box, [&](QImage &target) {
        const QRect filled = box & target.rect();
        for (int row = filled.top(); row <= filled.bottom(); ++row)
            std::fill_n(reinterpret_cast<QRgb *>(target.scanLine(row)) + filled.x(), filled.width(),
                        toQRgb(colour));
    });
}

void PictureSurface::drawLine(const QPointF &from, const QPointF &to, OleColor colour)
{
    if (!usable(from.x()) || !usable(from.y()) || !usable(to.x()) || !usable(to.y()))
        return;
    // Only the part of a long line near the image is handed to QPainter;
    // the margin keeps the round ends of the visible part as they were.
    const int margin = m_penWidth + 2;
    QPointF start = from;
    QPointF end = to;
    if (!clipSegment(start, end, QRectF(m_image.rect()).adjusted(-margin, -margin, margin, margin)))
        return;
    const QPoint first = toPixel(start);
    const QPoint last = toPixel(end);
    paint(around(first, last, m_penWidth / 2 + 1), [&](QImage &target) {
        QPainter painter(&target);
        preparePen(painter, colour, m_penWidth);
        if (first == last)
            painter.drawPoint(first);
        else
            painter.drawLine(first, last);
    });
}

void PictureSurface::drawCircle(const QPointF &at, double radius, OleColor colour)
{
    if (!usable(at.x()) || !usable(at.y()) || !usable(radius) || radius <= 0.0)
        return;
    const QPoint centre = toPixel(at);
    // A ring that encloses the whole image draws nothing on it.
    const QRect bounds = m_image.rect();
    const double farthestCorner = std::hypot(std::max(std::abs(centre.x() - bounds.left()),
                                                      std::abs(centre.x() - bounds.right())),
                                             std::max(std::abs(centre.y() - bounds.top()),
                                                      std::abs(centre.y() - bounds.bottom())));
    if (radius - m_penWidth > farthestCorner + 1.0)
        return;
    const int reach = int(std::ceil(radius)) + m_penWidth / 2 + 1;
    paint(around(centre, centre, reach), [&](QImage &target) {
        QPainter painter(&target);
        preparePen(painter, colour, m_penWidth);
        painter.drawEllipse(QPointF(centre), radius, radius);
    });
}

void PictureSurface::requestRepaint()
{
    if (m_persistentDrawing)
        dropScreenLayer();
    Q_EMIT repaintRequested();
}

void PictureSurface::setPenWidth(int width)
{
    m_penWidth = std::clamp(width, 1, widestPen);
}

void PictureSurface::blit(QPoint at, const PictureSurface &source, QSize size, RasterOp op)
{
    QImage &target = beginDrawing();
    finishDrawing(rasterBlit(target, at, source.m_image, size, op));
}

} // namespace tolvane
