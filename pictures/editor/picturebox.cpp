#include "picturebox.h"

#include "pictures/wrappedtext.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tolvane {

namespace {

// Between the printed lines and the edges of their band.
constexpr int BandMargin = 3;

} // namespace

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
    connect(&surface, &PictureSurface::printedChanged, this, [this] { update(); });
    // The area in sight changes with the size of what the widget is seen through.
    if (parent)
        parent->installEventFilter(this);
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
    paintPrinted(painter);
}

void PictureBox::paintPrinted(QPainter &painter) const
{
    // Every step of a drag paints: with nothing printed, it costs nothing here.
    const QStringList &lines = m_surface.printedLines();
    if (lines.isEmpty())
        return;
    const QRect sight = this->sight();
    const QFontMetrics metrics(m_surface.font());
    const int width = sight.width() - 2 * BandMargin;
    if (width <= 0)
        return;
    // The latest rows that fit, each line wrapped to the width in sight.
    const qsizetype fit = std::max(1, (sight.height() - 2 * BandMargin) / metrics.lineSpacing());
    QStringList rows;
    for (qsizetype i = lines.size() - 1; i >= 0 && rows.size() < fit; --i) {
        const QStringList wrapped = wrappedText(lines[i], m_surface.font(), width);
        rows = wrapped.mid(std::max<qsizetype>(0, wrapped.size() - (fit - rows.size()))) + rows;
    }

    const QRect band(sight.topLeft(), QSize(sight.width(), int(rows.size()) * metrics.lineSpacing() + 2 * BandMargin));
    painter.fillRect(band, QColor(255, 255, 255, 215));
    painter.setFont(m_surface.font());
    painter.setPen(Qt::black);
    QPoint baseline = band.topLeft() + QPoint(BandMargin, BandMargin + metrics.ascent());
    for (const QString &row : std::as_const(rows)) {
        painter.drawText(baseline, row);
        baseline.ry() += metrics.lineSpacing();
    }
}

QRect PictureBox::sight() const
{
    // visibleRegion() leaves in what siblings cover unless they paint
    // opaquely, which scroll bars do not declare.
    QRegion shown = visibleRegion();
    if (const QWidget *parent = parentWidget()) {
        bool over = false; // the children after this one are stacked over it
        for (const QObject *child : parent->children()) {
            const auto *sibling = qobject_cast<const QWidget *>(child);
            if (over && sibling && sibling->isVisible() && !sibling->isWindow())
                shown -= sibling->geometry().translated(-pos());
            over = over || child == this;
        }
    }
    return shown.boundingRect();
}

void PictureBox::followSight()
{
    if (!m_surface.printedLines().isEmpty())
        update();
}

void PictureBox::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    followSight();
}

bool PictureBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        followSight();
    return QWidget::eventFilter(watched, event);
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
