#pragma once

#include "pictures/picturesurface.h"

#include <QBrush>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace tolvane {

/// Shows a PictureSurface at its own size times a whole zoom factor and
/// reports the mouse in the surface's pixels, as floating-point coordinates,
/// whatever the zoom (see pointerPosition()). An outline rectangle can be shown over
/// the picture without drawing into it. The surface's printed lines are shown
/// over the part of the picture in sight, the latest ones, on a light band
/// that keeps them readable on any picture.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(PictureSurface &surface, QWidget *parent = nullptr);

    /// Shows the outline shape over the picture at @p rect, in surface pixels.
    void showOutline(const QRectF &rect);
    void hideOutline();

    /// Each surface pixel is shown as a zoom x zoom block, drawn sharp.
    /// Factors below 1 are taken as 1.
    void setZoom(int zoom);
    int zoom() const { return m_zoom; }
    /// Where the mouse events place a pointer at @p widgetPoint: the point
    /// itself at 100 %, else the whole surface pixel shown under it.
    QPointF pointerPosition(const QPointF &widgetPoint) const;
    /// A point of the widget in surface pixels, and back.
    QPointF toSurface(const QPointF &widgetPoint) const { return widgetPoint / m_zoom; }
    QPointF toWidget(const QPointF &surfacePoint) const { return surfacePoint * m_zoom; }

    /// The part of the widget in sight, in its own pixels: what its parent
    /// shows of it, less what siblings stacked over it cover (the scroll
    /// bars of a view that moves it beneath them).
    QRect sight() const;

    QSize sizeHint() const override { return m_surface.size() * m_zoom; }

Q_SIGNALS:
    /// @p button went down with the pointer at @p at, in surface pixels.
    void pressed(Qt::MouseButton button, const QPointF &at);
    /// The pointer moved to @p at with @p buttons held.
    void moved(Qt::MouseButtons buttons, const QPointF &at);
    void released(Qt::MouseButton button, const QPointF &at);
    /// The pointer has left the widget.
    void left();
    /// The wheel turned with Ctrl held, by @p steps notches (positive away
    /// from the user), over @p widgetPoint.
    void zoomWheel(int steps, const QPointF &widgetPoint);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    /// Scrolling moves the widget, and the printed lines stay in sight.
    void moveEvent(QMoveEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect outlineArea() const;
    void paintOutline(QPainter &painter) const;
    void paintPrinted(QPainter &painter) const;
    /// Repaints the printed lines where they are in sight now.
    void followSight();

    // The outline's dash patterns, made again only when the zoom changes.
    mutable QBrush m_horizontalDashes;
    mutable QBrush m_verticalDashes;
    mutable int m_dashZoom = 0;
    QRect toWidget(const QRect &surfaceRect) const;
    void fitToSurface();
    void setOutline(const QRectF &rect, bool visible);

    PictureSurface &m_surface;
    QRectF m_outline;
    bool m_outlineVisible = false;
    int m_zoom = 1;
    int m_wheelRemainder = 0;
};

} // namespace tolvane
