#pragma once

#include <QWidget>

class QScrollBar;
class QWheelEvent;

namespace tolvane {

class PictureBox;
class PictureSurface;

/// The scrolled view of the dashboard: the picture widget moved inside it by
/// two scroll bars whose value is the dashboard's offset itself, 0 down to a
/// negative maximum. Nothing is redrawn by scrolling and no dashboard
/// coordinate changes. Zooming makes the picture widget larger; the bars'
/// ranges follow its size.
class Viewport : public QWidget
{
    Q_OBJECT

public:
    /// The view pixels one line of the wheel scrolls; a notch scrolls the
    /// system's number of lines.
    static constexpr int WheelLine = 20;

    explicit Viewport(PictureSurface &dashboard, QWidget *parent = nullptr);

    PictureBox *picture() const { return m_picture; }

    /// Shows the dashboard at @p zoom times its size, keeping the dashboard
    /// point under @p anchor (a point of the viewport) in place as far as
    /// the scroll ranges allow.
    void setZoom(int zoom, const QPointF &anchor);
    /// The centre of the area the dashboard is seen in.
    QPointF viewCentre() const;
    /// The viewport's size that shows @p content whole: the bars keep their
    /// place while disabled.
    QSize sizeShowing(const QSize &content) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    /// The wheel scrolls the view, sideways with Shift.
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// The area the dashboard is seen in, left of and above the bars.
    QSize viewSize() const;
    /// Enables scrolling on each axis where the view is smaller than the
    /// dashboard, else puts the dashboard back at 0.
    void fitScrollRanges();
    /// Scrolls by the wheel's turn; @p sideways moves a plain wheel's turn
    /// along the horizontal axis.
    void scrollByWheel(const QWheelEvent &event, bool sideways);

    PictureBox *m_picture = nullptr;
    QScrollBar *m_vertical = nullptr;
    QScrollBar *m_horizontal = nullptr;
    /// Covers the square between the two bars, where the dashboard would show.
    QWidget *m_corner = nullptr;
    QPointF m_wheelRemainder;
};

} // namespace tolvane
