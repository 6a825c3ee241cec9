#pragma once

#include "window/picturesurface.h"

#include <QRectF>
#include <QWidget>

namespace tolvane {

/// Shows a PictureSurface at its own size and reports the mouse in the
/// surface's pixels, as floating-point coordinates with the button state
/// (1 left, 2 right, 4 middle, added together). An outline rectangle can be
/// shown over the picture without drawing into it.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(PictureSurface &surface, QWidget *parent = nullptr);

    PictureSurface &surface() { return m_surface; }

    /// The outline shape over the picture, in surface pixels.
    void setOutline(const QRectF &rect, bool visible);
    QRectF outline() const { return m_outline; }
    bool outlineVisible() const { return m_outlineVisible; }

    QSize sizeHint() const override { return m_surface.size(); }

    /// Mouse buttons as the handlers receive them.
    static int buttonState(Qt::MouseButtons buttons);

Q_SIGNALS:
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRect outlineArea() const;

    PictureSurface &m_surface;
    QRectF m_outline;
    bool m_outlineVisible = false;
};

} // namespace tolvane
