#include "pictures/picturesurface.h"
#include "pictures/picturefile.h"
#include "pictures/bundledfont.h"

#include <QFontMetrics>
#include <QGuiApplication>
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

bool usable(double v) { return std::isfinite(v) && std::abs(v) <= coordinateLimit; }

// Nearest pixel, halves to even, as the rest of the program rounds.
int toPixel(double v) { return int(std::nearbyint(v)); }

QPoint toPixel(const QPointF &p) { return QPoint(toPixel(p.x()), toPixel(p.y())); }

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

QFont printFont()
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
    , m_font(printFont())
{
    m_image.fill(toQRgb(m_backColor));
}

Status PictureSurface::Picture(const QString &bmpPath)
{
    QImage picture;
    if (Status s = readPictureFile(bmpPath, &picture); !s)
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

void PictureSurface::setBackColor(OleColor colour)
{
    m_backColor = colour & 0xFFFFFFu;
    restoreAll();
}

void PictureSurface::restoreAll()
{
    m_screenLayerShown = false;
    m_screenLayer = QImage();
    m_drawnOnScreen = QRegion();
    m_drawn = QRegion();
    if (m_picture.isNull())
        m_image.fill(toQRgb(m_backColor));
    else
        m_image = m_picture.copy(); // detached now, not on the first drawing
    Q_EMIT changed(QRegion(m_image.rect()));
}

void PictureSurface::restore(const QRegion &region)
{
    const QRgb background = toQRgb(m_backColor);
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

void PictureSurface::Cls()
{
    dropScreenLayer();
    if (m_autoRedraw && !m_drawn.isEmpty()) {
        const QRegion drawn = std::exchange(m_drawn, QRegion());
        restore(drawn);
        Q_EMIT changed(drawn);
    }
    m_currentX = 0;
    m_currentY = 0;
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
    if (m_autoRedraw) {
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
    (m_autoRedraw ? m_drawn : m_drawnOnScreen) += area;
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

void PictureSurface::Print(const QString &item, LineEnd end)
{
    // Without a QGuiApplication there are no fonts to measure or draw with.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    const QFontMetrics metrics(m_font);
    const int advance = metrics.horizontalAdvance(item);
    if (!item.isEmpty()) {
        const QPoint baseline(m_currentX, m_currentY + metrics.ascent());
        const QRect area = QRect(m_currentX, m_currentY, advance, metrics.lineSpacing())
                               .united(metrics.boundingRect(item).translated(baseline))
                               .adjusted(-1, -1, 1, 1);
        paint(area, [&](QImage &target) {
            QPainter painter(&target);
            painter.setFont(m_font);
            painter.setPen(Qt::black);
            painter.drawText(baseline, item);
        });
    }
    if (end == KeepLineOpen) {
        m_currentX += advance;
    } else {
        m_currentX = 0;
        m_currentY += metrics.lineSpacing();
    }
}

void PictureSurface::PSet(double x, double y, OleColor colour)
{
    if (!usable(x) || !usable(y))
        return;
    const QPoint at = toPixel(QPointF(x, y));
    paint(around(at, at, m_drawWidth / 2 + 1), [&](QImage &target) {
        if (m_drawWidth == 1) {
            target.setPixel(at, toQRgb(colour));
            return;
        }
        QPainter painter(&target);
        preparePen(painter, colour, m_drawWidth);
        painter.drawPoint(at);
    });
}

std::optional<OleColor> PictureSurface::Point(int x, int y) const
{
    if (!m_image.valid(x, y))
        return std::nullopt;
    return fromQRgb(m_image.pixel(x, y));
}

void PictureSurface::Line(double x1, double y1, double x2, double y2, OleColor colour, bool filledBox)
{
    if (filledBox) {
        if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
            return;
        // Corners far outside fill up to the edge, as near ones do.
        const QRectF reach = QRectF(m_image.rect()).adjusted(-1, -1, 1, 1);
        const auto inReach = [&](double x, double y) {
            return toPixel(QPointF(std::clamp(x, reach.left(), reach.right()),
                                   std::clamp(y, reach.top(), reach.bottom())));
        };
        const QRect box = around(inReach(x1, y1), inReach(x2, y2), 0);
        paint(box, [&](QImage &target) {
            const QRect r = box & target.rect();
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::fill_n(reinterpret_cast<QRgb *>(target.scanLine(y)) + r.x(), r.width(),
                            toQRgb(colour));
        });
        return;
    }

    if (!usable(x1) || !usable(y1) || !usable(x2) || !usable(y2))
        return;
    // Only the part of a long line near the image is handed to QPainter;
    // the margin keeps the round ends of the visible part as they were.
    const int margin = m_drawWidth + 2;
    QPointF a(x1, y1);
    QPointF b(x2, y2);
    if (!clipSegment(a, b, QRectF(m_image.rect()).adjusted(-margin, -margin, margin, margin)))
        return;
    const QPoint from = toPixel(a);
    const QPoint to = toPixel(b);
    paint(around(from, to, m_drawWidth / 2 + 1), [&](QImage &target) {
        QPainter painter(&target);
        preparePen(painter, colour, m_drawWidth);
        if (from == to)
            painter.drawPoint(from);
        else
            painter.drawLine(from, to);
    });
}

void PictureSurface::Circle(double x, double y, double radius, OleColor colour)
{
    if (!usable(x) || !usable(y) || !usable(radius) || radius <= 0.0)
        return;
    const QPoint centre = toPixel(QPointF(x, y));
    // A ring that encloses the whole image draws nothing on it.
    const QRect bounds = m_image.rect();
    const double farthestCorner = std::hypot(std::max(std::abs(centre.x() - bounds.left()),
                                                      std::abs(centre.x() - bounds.right())),
                                             std::max(std::abs(centre.y() - bounds.top()),
                                                      std::abs(centre.y() - bounds.bottom())));
    if (radius - m_drawWidth > farthestCorner + 1.0)
        return;
    const int reach = int(std::ceil(radius)) + m_drawWidth / 2 + 1;
    paint(around(centre, centre, reach), [&](QImage &target) {
        QPainter painter(&target);
        preparePen(painter, colour, m_drawWidth);
        painter.drawEllipse(QPointF(centre), radius, radius);
    });
}

void PictureSurface::Refresh()
{
    if (m_autoRedraw)
        dropScreenLayer();
    Q_EMIT refreshRequested();
}

void PictureSurface::setDrawWidth(int width)
{
    m_drawWidth = std::clamp(width, 1, widestPen);
}

void BitBlt(PictureSurface &dest, int x, int y, int w, int h, const PictureSurface &src,
            RasterOp op)
{
    QImage &target = dest.beginDrawing();
    dest.finishDrawing(rasterBlit(target, QPoint(x, y), src.m_image, QSize(w, h), op));
}

} // namespace tolvane
