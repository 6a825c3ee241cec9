// Dragging the selected object on the dashboard, and the needle colour pick
// that an armed press makes instead.

#include "canvas/editor/dashboardview.h"

#include "canvas/drawobject.h"
#include "document/dashboarddocument.h"
#include "pictures/editor/picturebox.h"

#include <cmath>

namespace tolvane {

namespace {

constexpr OleColor Red = 0x0000FF;
constexpr double MarkerRadius = 3;

// To the nearest integer, halves to even (nearbyint under the default
// rounding mode); none when the result does not fit 16 bits.
std::optional<int16_t> roundToInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!fitsInt16(rounded))
        return std::nullopt;
    return int16_t(rounded);
}

std::optional<QPoint> roundToInt16(float x, float y)
{
    const std::optional<int16_t> column = roundToInt16(x);
    const std::optional<int16_t> row = roundToInt16(y);
    if (!column || !row)
        return std::nullopt;
    return QPoint(*column, *row);
}

} // namespace

void DashboardView::pressed(Qt::MouseButton button, const QPointF &at)
{
    // Any button picks; a left press then starts a drag as well.
    if (m_pickArmed)
        pickColour(at);
    beginDrag(button, at);
}

void DashboardView::pickColour(const QPointF &at)
{
    // The pointer's position is single precision.
    const float x = float(at.x());
    const float y = float(at.y());
    m_pickArmed = false;
    Q_EMIT swatchColour(colourUnder(at));
    const std::optional<QPoint> point = roundToInt16(x, y);
    if (!point || !m_document.setColourPoint(*point))
        Q_EMIT statusMessage(tr("The colour point %1, %2 lies beyond -32768 ... 32767; "
                                "the needle colour stays as it was.").arg(x).arg(y));
    Q_EMIT colourPickFinished();
    drawDials();
}

void DashboardView::beginDrag(Qt::MouseButton button, const QPointF &at)
{
    m_dragAnchor.reset();
    // Single precision, as the pointer's position reaches the handlers.
    const float pointerX = float(at.x());
    const float pointerY = float(at.y());
    const float left = float(m_outline.left());
    const float width = float(m_outline.width());
    const float top = float(m_outline.top());
    const float height = float(m_outline.height());
    // Strict on all four sides: a press on the outline's own edges, or on
    // the column and row just past it, starts no drag.
    if (button == Qt::LeftButton && pointerX > left && left + width > pointerX && pointerY > top &&
        top + height > pointerY)
        m_dragAnchor = roundToInt16(pointerX, pointerY);
}

void DashboardView::moved(Qt::MouseButtons buttons, const QPointF &at)
{
    if (m_pickArmed) {
        Q_EMIT swatchColour(colourUnder(at));
    }
    showPointer(at);
    if (buttons == Qt::LeftButton)
        dragTo(at);
}

void DashboardView::dragTo(const QPointF &at)
{
    if (!m_outlineVisible || !m_dragAnchor || selected() <= 0)
        return;
    const float pointerX = float(at.x());
    const float pointerY = float(at.y());
    const std::optional<QPoint> anchor = roundToInt16(pointerX, pointerY);
    if (!anchor) {
        Q_EMIT statusMessage(tr("The pointer at %1, %2 lies beyond -32768 ... 32767; "
                                "the object stays where it was.").arg(pointerX).arg(pointerY));
        return;
    }

    // The object's place is single precision, as the pointer's is.
    const float left = float(m_outline.left()) + (pointerX - float(m_dragAnchor->x()));
    const float top = float(m_outline.top()) + (pointerY - float(m_dragAnchor->y()));
    showOutline(QRectF(QPointF(left, top), m_outline.size()));

    // clear() restores only what the previous step drew, so a step costs what
    // the object covers, not the whole dashboard. The widget repaints the
    // changed regions when the event loop next runs, between two moves.
    m_surface.clear();
    DrawObject(m_objectImage, m_objectMask, m_surface, QPoint(int(std::nearbyint(left)), int(std::nearbyint(top))),
               ObjectDrawing::Ghost);
    const ObjectHeader &header = m_document.tables().objects.headers[size_t(selected())];
    m_surface.drawCircle(QPointF(left + float(header.XCentre), top + float(header.YCentre)), MarkerRadius, Red);
    m_dragAnchor = anchor;
}

void DashboardView::released(Qt::MouseButton button, const QPointF &)
{
    if (button == Qt::LeftButton && canMoveSelection())
        endDrag();
}

bool DashboardView::canMoveSelection() const
{
    // The first entry is the background, which has no place of its own;
    // an object not shown (its bitmaps unreadable) cannot be placed by eye.
    return selected() > 0 && !m_dialsMode && m_outlineVisible;
}

void DashboardView::endDrag()
{
    // A release stores where the outline stands, also after a mere click.
    const int index = selected();
    const ObjectHeader &header = m_document.tables().objects.headers[size_t(index)];
    const std::optional<QPoint> position = roundToInt16(float(header.XCentre) + float(m_outline.left()),
                                                        float(header.YCentre) + float(m_outline.top()));
    if (position) {
        // The object is shown where it stands now: the document's report of
        // the move redraws it, and a move to where it was draws it here.
        const QPoint before(header.XPos, header.YPos);
        m_document.moveObject(index, *position);
        if (*position == before)
            followObjectMove(index);
        return;
    }
    reportRefusedPosition();
    m_surface.clear();
    showSelectedObject();
}

void DashboardView::reportRefusedPosition()
{
    Q_EMIT statusMessage(tr("Object %1 cannot be placed there: its position would lie beyond "
                            "-32768 ... 32767. It stays where it was.").arg(selected()));
}

} // namespace tolvane
