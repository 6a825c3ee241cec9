#include "canvas/editor/viewport.h"

#include "pictures/editor/picturebox.h"

#include <QApplication>
#include <QGridLayout>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tolvane {

namespace {

QScrollBar *createBar(Qt::Orientation orientation, QWidget *parent)
{
    auto *bar = new QScrollBar(orientation, parent);
    // The value runs from 0 at the top (left) down to a negative Max at the
    // bottom (right): with the appearance inverted, the thumb still moves down
    // as the value falls.
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(false);
    bar->setRange(0, 0);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setEnabled(false);
    // The slider steps its value as if the top (left) were the minimum: an
    // arrow, a click in the track or the context menu's "Top" would move the
    // dashboard against the arrow. Each such step is turned around before it
    // takes effect; the thumb gives the value itself and is left alone.
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar](int action) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            bar->setSliderPosition(bar->value() - bar->singleStep());
            break;
        case QAbstractSlider::SliderSingleStepSub:
            bar->setSliderPosition(bar->value() + bar->singleStep());
            break;
        case QAbstractSlider::SliderPageStepAdd:
            bar->setSliderPosition(bar->value() - bar->pageStep());
            break;
        case QAbstractSlider::SliderPageStepSub:
            bar->setSliderPosition(bar->value() + bar->pageStep());
            break;
        case QAbstractSlider::SliderToMinimum:
            bar->setSliderPosition(bar->maximum());
            break;
        case QAbstractSlider::SliderToMaximum:
            bar->setSliderPosition(bar->minimum());
            break;
        default:
            break;
        }
    });
    return bar;
}

// Moves the dashboard by @p pixels along @p bar's axis, positive towards its
// top (left) edge; a disabled bar keeps it at 0 whatever its stale range.
void scrollBy(QScrollBar *bar, int pixels)
{
    if (bar->isEnabled())
        bar->setValue(bar->value() + pixels);
}

// One axis of the resize rule: enable scrolling when the view is smaller
// than the dashboard, else put the dashboard back at 0.
void fitBar(QScrollBar *bar, int view, int content)
{
    if (float(view) < float(content)) {
        bar->setMinimum(int(std::nearbyint(double(view) - content)));
        bar->setEnabled(true);
    } else {
        bar->setValue(0);
        // A bar with nothing to scroll shows its thumb over the whole track,
        // not the stale one of a range no longer in force.
        bar->setMinimum(0);
        bar->setEnabled(false);
    }
}

} // namespace

Viewport::Viewport(PictureSurface &dashboard, QWidget *parent)
    : QWidget(parent)
{
    m_picture = new PictureBox(dashboard, this);
    m_picture->setObjectName(QStringLiteral("dashboard"));
    m_picture->move(0, 0);
    m_vertical = createBar(Qt::Vertical, this);
    m_horizontal = createBar(Qt::Horizontal, this);
    m_corner = new QWidget(this);
    m_corner->setAutoFillBackground(true);
    // The bars take the style's thickness; the picture moves under the empty
    // cell left of and above them.
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(QMargins());
    grid->setSpacing(0);
    grid->addWidget(m_vertical, 0, 1);
    grid->addWidget(m_horizontal, 1, 0);
    grid->addWidget(m_corner, 1, 1);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);
    // The wheel scrolls the view wherever it turns: a bar alone would step one
    // pixel per notch.
    m_picture->installEventFilter(this);
    m_vertical->installEventFilter(this);
    m_horizontal->installEventFilter(this);

    connect(m_vertical, &QScrollBar::valueChanged, this,
            [this](int value) { m_picture->move(m_picture->x(), value); });
    connect(m_vertical, &QScrollBar::sliderMoved, this,
            [this](int position) { m_picture->move(m_picture->x(), position); });
    connect(m_horizontal, &QScrollBar::valueChanged, this,
            [this](int value) { m_picture->move(value, m_picture->y()); });
    connect(m_horizontal, &QScrollBar::sliderMoved, this,
            [this](int position) { m_picture->move(position, m_picture->y()); });
    // A newly loaded dashboard of another size gets its scroll range at once,
    // not only at the next resize of the window.
    connect(&dashboard, &PictureSurface::sizeChanged, this, &Viewport::fitScrollRanges);
}

void Viewport::setZoom(int zoom, const QPointF &anchor)
{
    if (std::max(1, zoom) == m_picture->zoom())
        return;
    const QPointF held = m_picture->toSurface(anchor - QPointF(m_picture->pos()));
    m_picture->setZoom(zoom);
    // An arrow click still moves the dashboard by one of its own pixels.
    m_vertical->setSingleStep(m_picture->zoom());
    m_horizontal->setSingleStep(m_picture->zoom());
    fitScrollRanges();
    const QPointF offset = anchor - m_picture->toWidget(held);
    // A disabled bar keeps the dashboard at 0; its range may be stale.
    if (m_horizontal->isEnabled())
        m_horizontal->setValue(int(std::lround(offset.x())));
    if (m_vertical->isEnabled())
        m_vertical->setValue(int(std::lround(offset.y())));
}

QPointF Viewport::viewCentre() const
{
    const QSize view = viewSize();
    return QPointF(view.width(), view.height()) / 2;
}

QSize Viewport::viewSize() const
{
    // A viewport thinner than the bars leaves no view rather than a negative one.
    return (size() - sizeShowing(QSize(0, 0))).expandedTo(QSize(0, 0));
}

QSize Viewport::sizeShowing(const QSize &content) const
{
    return content + QSize(m_vertical->sizeHint().width(), m_horizontal->sizeHint().height());
}

void Viewport::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitScrollRanges();
}

void Viewport::wheelEvent(QWheelEvent *event)
{
    // Ctrl and the wheel zoom over the dashboard, nowhere else.
    if (event->modifiers() & Qt::ControlModifier) {
        event->ignore();
        return;
    }
    scrollByWheel(*event, event->modifiers() & Qt::ShiftModifier);
    event->accept();
}

bool Viewport::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || !(watched == m_picture || watched == m_vertical || watched == m_horizontal))
        return QWidget::eventFilter(watched, event);
    const auto *wheel = static_cast<QWheelEvent *>(event);
    // With Ctrl the dashboard zooms; a bar takes no part.
    if (wheel->modifiers() & Qt::ControlModifier)
        return watched != m_picture;
    // Over the horizontal bar the plain wheel moves along it.
    scrollByWheel(*wheel, watched == m_horizontal || (wheel->modifiers() & Qt::ShiftModifier));
    return true;
}

void Viewport::scrollByWheel(const QWheelEvent &event, bool sideways)
{
    QPointF delta = event.pixelDelta();
    if (delta.isNull()) {
        delta = QPointF(event.angleDelta()) * (QApplication::wheelScrollLines() * WheelLine)
                / QWheelEvent::DefaultDeltasPerStep;
    }
    // A plain wheel turned sideways, unless the system has done so already.
    if (sideways && delta.x() == 0)
        delta = QPointF(delta.y(), 0);
    // Fine wheels and touchpads send fractions of a pixel: they add up.
    m_wheelRemainder += delta;
    const QPoint whole = m_wheelRemainder.toPoint();
    m_wheelRemainder -= whole;
    scrollBy(m_horizontal, whole.x());
    scrollBy(m_vertical, whole.y());
}

void Viewport::fitScrollRanges()
{
    const QSize view = viewSize();
    fitBar(m_vertical, view.height(), m_picture->height());
    fitBar(m_horizontal, view.width(), m_picture->width());
}

} // namespace tolvane
