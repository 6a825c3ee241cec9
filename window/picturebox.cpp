#include "picturebox.h"

#include <QMouseEvent>
#include <QPainter>

namespace tolvane {

PictureBox::PictureBox(PictureSurface &surface, QWidget *parent)
    : QWidget(parent), m_surface(surface)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(surface.size());
    connect(&surface, &PictureSurface::changed, this, [this](const QRegion &region) { update(region); });
    connect(&surface, &PictureSurface::sizeChanged, this, [this](const QSize &size) {
        resize(size);
        update();
    });
    connect(&surface, &PictureSurface::refreshRequested, this, [this] { repaint(); });
}

int PictureBox::buttonState(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

QRect PictureBox::outlineArea() const
{
    // The outline's one-pixel border lies inside its rectangle.
    return QRectF(std::round(m_outline.left()), std::round(m_outline.top()), std::round(m_outline.width()),
                  std::round(m_outline.height()))
        .toRect();
}

void PictureBox::setOutline(const QRectF &rect, bool visible)
{
    if (rect == m_outline && visible == m_outlineVisible)
        return;
    if (m_outlineVisible)
        update(outlineArea());
    m_outline = rect;
    m_outlineVisible = visible;
    if (m_outlineVisible)
        update(outlineArea());
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QImage &image = m_surface.screenImage();
    for (const QRect &rect : event->region())
        painter.drawImage(rect.topLeft(), image, rect);
    if (m_outlineVisible) {
        const QRect area = outlineArea();
        if (area.width() > 0 && area.height() > 0) {
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(area.adjusted(0, 0, -1, -1));
        }
    }
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    Q_EMIT mouseDown(buttonState(event->button()), 0, float(p.x()), float(p.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    Q_EMIT mouseMove(buttonState(event->buttons()), 0, float(p.x()), float(p.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    Q_EMIT mouseUp(buttonState(event->button()), 0, float(p.x()), float(p.y()));
}

} // namespace tolvane
