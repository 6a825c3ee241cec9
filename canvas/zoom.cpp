// Zooming the dashboard view. Only the view is scaled: the mouse handlers
// keep receiving dashboard pixels and every stored coordinate stays one.

#include "window/form1.h"

#include "canvas/viewport.h"
#include "window/picturebox.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>
#include <array>

namespace tolvane {

namespace {

constexpr std::array<int, 6> ZoomLevels{1, 2, 3, 4, 6, 8};
static_assert(ZoomLevels.front() == Form1::MinZoom && ZoomLevels.back() == Form1::MaxZoom);

QString zoomText(int zoom)
{
    return Form1::tr("%1 %").arg(zoom * 100);
}

} // namespace

void Form1::createViewMenu()
{
    mnuView = menuBar()->addMenu(tr("&View"));
    mnuZoomIn = mnuView->addAction(tr("Zoom &In"), this, &Form1::mnuZoomIn_Click);
    mnuZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    mnuZoomOut = mnuView->addAction(tr("Zoom &Out"), this, &Form1::mnuZoomOut_Click);
    mnuZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    mnuActualSize = mnuView->addAction(tr("&Actual Size"), this, &Form1::mnuActualSize_Click);
    mnuActualSize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));

    lblZoom = new QLabel(zoomText(MinZoom), this);
    lblZoom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblZoom->setFixedWidth(lblZoom->fontMetrics().horizontalAdvance(zoomText(MaxZoom)) + 8);
    statusBar()->addPermanentWidget(lblZoom);
    connect(BackG, &PictureBox::zoomWheel, this, &Form1::BackG_ZoomWheel);
    mnuZoomOut->setEnabled(false);
}

int Form1::zoom() const
{
    return BackG->zoom();
}

void Form1::setZoom(int zoom, const QPointF &anchor)
{
    zoom = std::clamp(zoom, MinZoom, MaxZoom);
    Picture4->setZoom(zoom, anchor);
    mnuZoomIn->setEnabled(zoom < MaxZoom);
    mnuZoomOut->setEnabled(zoom > MinZoom);
    lblZoom->setText(zoomText(zoom));
    // Unless the wheel zoomed around it, the pointer now stands over
    // another dashboard pixel.
    if (BackG->underMouse()) {
        const QPointF p = BackG->pointerPosition(BackG->mapFromGlobal(QCursor::pos().toPointF()));
        BackG_PointerMove(float(p.x()), float(p.y()));
    }
}

void Form1::zoomBy(int steps, const QPointF &anchor)
{
    // The level at or below the current zoom, then @p steps levels on.
    const auto at = std::upper_bound(ZoomLevels.begin(), ZoomLevels.end(), zoom()) - 1;
    const auto index = std::clamp<std::ptrdiff_t>(at - ZoomLevels.begin() + steps, 0, ZoomLevels.size() - 1);
    setZoom(ZoomLevels[size_t(index)], anchor);
}

void Form1::mnuZoomIn_Click()
{
    zoomBy(1, Picture4->viewCentre());
}

void Form1::mnuZoomOut_Click()
{
    zoomBy(-1, Picture4->viewCentre());
}

void Form1::mnuActualSize_Click()
{
    setZoom(MinZoom, Picture4->viewCentre());
}

void Form1::BackG_ZoomWheel(int steps, const QPointF &widgetPoint)
{
    zoomBy(steps, BackG->mapToParent(widgetPoint));
}

} // namespace tolvane
