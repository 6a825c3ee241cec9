#include "picturebox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tolvane {

PictureBox::PictureBox(PictureSurface &surface, QWidget *parent)
    : QWidget(parent), m_surface(surface)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(surface.size());
    connect(&surface, &PictureSurface::changed, this, [this](const QRegion &region) {
        if (m_zoom == 1) {
            update(region);
            return;
        }
        QRegion scaled;
        for (const QRect &rect : region)
            scaled += toWidget(rect);
        update(scaled);
    });
    connect(&surface, &PictureSurface::sizeChanged, this, &PictureBox::fitToSurface);
    connect(&surface, &PictureSurface::repaintRequested, this, [this] { repaint(); });
}

void PictureBox::setZoom(int zoom)
{
    zoom = std::max(1, zoom);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    fitToSurface();
}

void PictureBox::fitToSurface()
{
    resize(m_surface.size() * m_zoom);
    update();
}

QRect PictureBox::toWidget(const QRect &surfaceRect) const
{
    return QRect(surfaceRect.topLeft() * m_zoom, surfaceRect.size() * m_zoom);
}

QPointF PictureBox::pointerPosition(const QPointF &widgetPoint) const
{
    if (m_zoom == 1)
        return widgetPoint;
    // The whole surface pixel shown under the pointer, as a pointer at 100 %
    // gives it: the colour pick takes the pixel the user sees, and a drag
    // moves by whole pixels without each step adding a rounding of its own.
    return QPointF(std::floor(widgetPoint.x() / m_zoom), std::floor(widgetPoint.y() / m_zoom));
}

QRect PictureBox::outlineArea() const
{
    // The outline's one-pixel border lies inside its rectangle.
    return QRectF(std::round(m_outline.left()), std::round(m_outline.top()), std::round(m_outline.width()),
                  std::round(m_outline.height()))
        .toRect();
}

void PictureBox::showOutline(const QRectF &rect)
{
    setOutline(rect, true);
}

void PictureBox::hideOutline()
{
    setOutline(m_outline, false);
}

void PictureBox::setOutline(const QRectF &rect, bool visible)
{
    if (rect == m_outline && visible == m_outlineVisible)
        return;
    if (m_outlineVisible)
        update(toWidget(outlineArea()));
    m_outline = rect;
    m_outlineVisible = visible;
    if (m_outlineVisible)
        update(toWidget(outlineArea()));
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    // Without SmoothPixmapTransform a scaled image is drawn nearest
    // neighbour: every surface pixel becomes a sharp zoom x zoom block.
    const QImage &image = m_surface.screenImage();
    for (const QRect &rect : event->region()) {
        // The surface pixels the rectangle touches, drawn whole; the painter
        // clips them to the region.
        const QRect source = QRect(QPoint(rect.left() / m_zoom, rect.top() / m_zoom),
                                   QPoint(rect.right() / m_zoom, rect.bottom() / m_zoom))
                                 .intersected(image.rect());
        if (!source.isEmpty())
            painter.drawImage(toWidget(source), image, source);
    }
    if (m_outlineVisible)
        paintOutline(painter);
}

void PictureBox::paintOutline(QPainter &painter) const
{
    // A one-pixel border inside the rectangle, in dashboard pixels so that it
    // grows with the zoom: dashes of four black and four white pixels, which
    // show on dark and light dashboards alike. Four tiled fills, whatever the
    // outline's length, keep a drag step cheap.
    const QRect area = outlineArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    if (m_dashZoom != m_zoom) {
        QImage along(8 * m_zoom, m_zoom, QImage::Format_RGB32);
        along.fill(Qt::white);
        QPainter(&along).fillRect(0, 0, 4 * m_zoom, m_zoom, Qt::black);
        m_horizontalDashes = QBrush(along);
        m_verticalDashes = QBrush(along.transformed(QTransform(0, 1, 1, 0, 0, 0)));
        m_dashZoom = m_zoom;
    }
    const QBrush &horizontal = m_horizontalDashes;
    const QBrush &vertical = m_verticalDashes;

    const QRect shown = toWidget(area);
    painter.setBrushOrigin(shown.topLeft());
    painter.fillRect(QRect(shown.left(), shown.top(), shown.width(), m_zoom), horizontal);
    painter.fillRect(QRect(shown.left(), shown.bottom() - m_zoom + 1, shown.width(), m_zoom), horizontal);
    painter.fillRect(QRect(shown.left(), shown.top(), m_zoom, shown.height()), vertical);
    painter.fillRect(QRect(shown.right() - m_zoom + 1, shown.top(), m_zoom, shown.height()), vertical);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT pressed(event->button(), pointerPosition(event->position()));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT moved(event->buttons(), pointerPosition(event->position()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT released(event->button(), pointerPosition(event->position()));
}

void PictureBox::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    Q_EMIT left();
}

void PictureBox::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    // Touchpads send fractions of a notch: zoom once whole notches add up.
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0)
        Q_EMIT zoomWheel(steps, event->position());
    event->accept();
}

} // namespace tolvane
