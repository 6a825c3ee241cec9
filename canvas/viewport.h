#pragma once

#include <QWidget>

class QScrollBar;

namespace tolvane {

class PictureBox;
class PictureSurface;

/// The scrolled view of the dashboard: BackG moved inside it by two scroll
/// bars whose value is the dashboard's offset itself, 0 down to a negative
/// Max. Nothing is redrawn by scrolling and no dashboard coordinate changes.
/// Zooming makes BackG larger; the bars' ranges follow its widget size.
class Viewport : public QWidget
{
    Q_OBJECT

public:
    static constexpr int BarThickness = 17;

    explicit Viewport(PictureSurface &dashboard, QWidget *parent = nullptr);

    PictureBox *BackG = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QScrollBar *HScroll1 = nullptr;
    /// Covers the square between the two bars, where the dashboard would show.
    QWidget *Corner = nullptr;

    /// Shows the dashboard at @p zoom times its size, keeping the dashboard
    /// point under @p anchor (a point of the viewport) in place as far as
    /// the scroll ranges allow.
    void setZoom(int zoom, const QPointF &anchor);
    /// The centre of the area the dashboard is seen in.
    QPointF viewCentre() const;

    void Picture4_Resize();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void HScroll1_Change();
    void HScroll1_Scroll();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace tolvane
