// Zooming the dashboard view, and the pointer readout that follows it. Only
// the view is scaled: the mouse handlers keep receiving dashboard pixels and
// every stored coordinate stays one.

#include "canvas/editor/dashboardview.h"

#include "canvas/editor/viewport.h"
#include "pictures/editor/picturebox.h"

#include <QCursor>

#include <algorithm>
#include <array>
#include <cmath>

namespace tolvane {

namespace {

constexpr std::array<int, 6> ZoomLevels{1, 2, 3, 4, 6, 8};
static_assert(ZoomLevels.front() == DashboardView::MinZoom && ZoomLevels.back() == DashboardView::MaxZoom);

// A pointer coordinate rounded to its pixel, kept within int.
int pixelOf(float coordinate)
{
    return int(std::nearbyint(std::clamp(double(coordinate), -2e9, 2e9)));
}

QString pointerText(int x, int y, const QString &colour)
{
    return DashboardView::tr("x %1, y %2   %3").arg(x).arg(y).arg(colour);
}

} // namespace

int DashboardView::zoom() const
{
    return m_picture->zoom();
}

void DashboardView::setZoom(int zoom, const QPointF &anchor)
{
    zoom = std::clamp(zoom, MinZoom, MaxZoom);
    m_viewport->setZoom(zoom, anchor);
    Q_EMIT zoomChanged(zoom);
    // Unless the wheel zoomed around it, the pointer now stands over
    // another dashboard pixel.
    if (m_picture->underMouse())
        showPointer(m_picture->pointerPosition(m_picture->mapFromGlobal(QCursor::pos().toPointF())));
}

void DashboardView::zoomBy(int steps, const QPointF &anchor)
{
    // The level at or below the current zoom, then @p steps levels on.
    const auto at = std::upper_bound(ZoomLevels.begin(), ZoomLevels.end(), zoom()) - 1;
    const auto index = std::clamp<std::ptrdiff_t>(at - ZoomLevels.begin() + steps, 0, ZoomLevels.size() - 1);
    setZoom(ZoomLevels[size_t(index)], anchor);
}

QPointF DashboardView::viewCentre() const
{
    return m_viewport->viewCentre();
}

void DashboardView::zoomIn()
{
    zoomBy(1, viewCentre());
}

void DashboardView::zoomOut()
{
    zoomBy(-1, viewCentre());
}

void DashboardView::showActualSize()
{
    setZoom(MinZoom, viewCentre());
}

QPoint DashboardView::pixelUnder(const QPointF &at)
{
    // Single precision, as the pointer's position reaches the handlers.
    return QPoint(pixelOf(float(at.x())), pixelOf(float(at.y())));
}

OleColor DashboardView::colourUnder(const QPointF &at) const
{
    const QPoint pixel = pixelUnder(at);
    return m_surface.pixel(pixel.x(), pixel.y()).value_or(0);
}

void DashboardView::showPointer(const QPointF &at)
{
    const QPoint pixel = pixelUnder(at);
    const std::optional<OleColor> colour = m_surface.pixel(pixel.x(), pixel.y());
    Q_EMIT pointerReadoutChanged(
        pointerText(pixel.x(), pixel.y(), colour ? toQColor(*colour).name().toUpper() : QString()).trimmed());
}

QSize DashboardView::wholeDashboardSize() const
{
    return m_viewport->sizeShowing(m_surface.size() * zoom());
}

QString DashboardView::widestPointerReadout()
{
    return pointerText(8888, 8888, QStringLiteral("#DDDDDD"));
}

} // namespace tolvane
