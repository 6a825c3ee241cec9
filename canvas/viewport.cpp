#include "viewport.h"
#include "window/picturebox.h"

#include <QScrollBar>

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
    return bar;
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
        bar->setEnabled(false);
    }
}

} // namespace

Viewport::Viewport(PictureSurface &dashboard, QWidget *parent)
    : QWidget(parent)
{
    BackG = new PictureBox(dashboard, this);
    BackG->move(0, 0);
    VScroll1 = createBar(Qt::Vertical, this);
    HScroll1 = createBar(Qt::Horizontal, this);
    Corner = new QWidget(this);
    Corner->setAutoFillBackground(true);
    VScroll1->setFixedWidth(BarThickness);
    HScroll1->setFixedHeight(BarThickness);

    connect(VScroll1, &QScrollBar::valueChanged, this, &Viewport::VScroll1_Change);
    connect(VScroll1, &QScrollBar::sliderMoved, this, &Viewport::VScroll1_Scroll);
    connect(HScroll1, &QScrollBar::valueChanged, this, &Viewport::HScroll1_Change);
    connect(HScroll1, &QScrollBar::sliderMoved, this, &Viewport::HScroll1_Scroll);
    // A newly loaded dashboard of another size gets its scroll range at once,
    // not only at the next resize of the window.
    connect(&dashboard, &PictureSurface::sizeChanged, this, &Viewport::Picture4_Resize);
}

void Viewport::setZoom(int zoom, const QPointF &anchor)
{
    if (std::max(1, zoom) == BackG->zoom())
        return;
    const QPointF held = BackG->toSurface(anchor - QPointF(BackG->pos()));
    BackG->setZoom(zoom);
    // An arrow click still moves the dashboard by one of its own pixels.
    VScroll1->setSingleStep(BackG->zoom());
    HScroll1->setSingleStep(BackG->zoom());
    Picture4_Resize();
    const QPointF offset = anchor - BackG->toWidget(held);
    // A disabled bar keeps the dashboard at 0; its range may be stale.
    if (HScroll1->isEnabled())
        HScroll1->setValue(int(std::lround(offset.x())));
    if (VScroll1->isEnabled())
        VScroll1->setValue(int(std::lround(offset.y())));
}

QPointF Viewport::viewCentre() const
{
    return QPointF(std::max(0, width() - BarThickness), std::max(0, height() - BarThickness)) / 2;
}

void Viewport::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Picture4_Resize();
}

void Viewport::Picture4_Resize()
{
    const int vw = width() - BarThickness;
    const int vh = height() - BarThickness;
    // A viewport thinner than the bars gives them no room rather than a
    // negative size.
    VScroll1->setGeometry(std::max(0, vw), 0, BarThickness, std::max(0, vh));
    HScroll1->setGeometry(0, std::max(0, vh), std::max(0, vw), BarThickness);
    Corner->setGeometry(std::max(0, vw), std::max(0, vh), BarThickness, BarThickness);
    fitBar(VScroll1, vh, BackG->height());
    fitBar(HScroll1, vw, BackG->width());
    VScroll1->raise();
    HScroll1->raise();
    Corner->raise();
}

void Viewport::VScroll1_Change()
{
    BackG->move(BackG->x(), VScroll1->value());
}

void Viewport::VScroll1_Scroll()
{
    BackG->move(BackG->x(), VScroll1->sliderPosition());
}

void Viewport::HScroll1_Change()
{
    BackG->move(HScroll1->value(), BackG->y());
}

void Viewport::HScroll1_Scroll()
{
    BackG->move(HScroll1->sliderPosition(), BackG->y());
}

} // namespace tolvane
