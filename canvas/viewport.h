#pragma once

#include <QWidget>

class QScrollBar;

namespace tolvane {

class PictureBox;
class PictureSurface;

/// The scrolled view of the dashboard: BackG moved inside it by two scroll
/// bars whose value is the dashboard's offset itself, 0 down to a negative
/// Max. Nothing is redrawn by scrolling and no dashboard coordinate changes.
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

    void Picture4_Resize();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void HScroll1_Change();
    void HScroll1_Scroll();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace tolvane
