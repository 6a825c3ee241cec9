#pragma once

#include "canvas/allobjects.h"
#include "pictures/picturesurface.h"
#include "store/records.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <memory>
#include <optional>

class QKeyEvent;

namespace tolvane {

class DashboardDocument;
class PictureBox;
class PrintTarget;
class Viewport;

/// The dashboard as the editor shows it: the background picture in a scrolled,
/// zoomable viewport, the selected object composited through its mask with
/// its outline, dragging and nudging it, the dials preview and the needle
/// colour pick. It edits only through the document and redraws from the
/// document's signals; what other widgets ask of it arrives through its slots.
class DashboardView : public QWidget
{
    Q_OBJECT

public:
    explicit DashboardView(DashboardDocument &document, QWidget *parent = nullptr);
    ~DashboardView() override;

    /// What the dashboard shows: the picture with all drawn on it, without
    /// the outline.
    QImage image() const { return m_surface.image(); }
    /// The selection outline in dashboard pixels: where the selected object
    /// stands, or where a drag has taken it; and whether it is shown.
    QRectF outline() const { return m_outline; }
    bool isOutlineVisible() const { return m_outlineVisible; }

    /// Each dashboard pixel is shown as a zoom x zoom block.
    static constexpr int MinZoom = 1;
    static constexpr int MaxZoom = 8;
    int zoom() const;
    /// Zooms to @p zoom (clamped to MinZoom ... MaxZoom), keeping the
    /// dashboard point under @p anchor, a point of this view, in place.
    void setZoom(int zoom, const QPointF &anchor);
    /// The centre of the area the dashboard is seen in, which the zoom
    /// commands keep in place.
    QPointF viewCentre() const;

    /// Where a file operation prints: on the dashboard, brought to the
    /// screen while the operation runs.
    std::unique_ptr<PrintTarget> progressPrinter();
    /// Erases what was drawn and printed on the dashboard.
    void clearDrawing();
    /// What a file operation has printed over the dashboard since.
    const QStringList &printedLines() const { return m_surface.printedLines(); }

    /// The widest pointer readout, for the width of its place.
    static QString widestPointerReadout();

    /// Whether every object is composited at its place, the selected one last.
    bool showsAllObjects() const { return m_showAll; }
    /// The size that shows the whole dashboard at the present zoom without
    /// scrolling.
    QSize wholeDashboardSize() const;

public Q_SLOTS:
    void zoomIn();
    void zoomOut();
    void showActualSize();

    /// Reads the selected object's bitmaps again after they changed on disk
    /// and shows them. A file that cannot be read is said in the status line,
    /// and the object's last bitmaps stay.
    void reloadSelectedObject();
    /// The dashboard of the Objects panel: objects can be dragged and nudged.
    /// Nothing is redrawn.
    void showObjectsMode();
    /// The dashboard of the Dials panel: the outline hidden, the object wiped,
    /// the dials drawn.
    void showDialsMode();
    /// Draws the dials preview, ending a needle test.
    void drawDials();
    /// Draws the needles at a test @p speed and @p revs instead of the preview.
    void showNeedleTest(int speed, int revs);
    /// The next press picks the needle colour from the bare picture.
    void armColourPick();
    void cancelColourPick();
    /// Composites every object whose bitmaps can be read at its stored place,
    /// or shows the selected object alone again.
    void setShowAllObjects(bool on);

Q_SIGNALS:
    void zoomChanged(int zoom);
    /// The pixel under the pointer and its colour; empty once it has left.
    void pointerReadoutChanged(const QString &text);
    void statusMessage(const QString &message);
    /// Says what stays so until the user has seen it or @p cause ends, which
    /// statusWarningCleared() tells.
    void statusWarning(const QString &message, const QString &cause);
    void statusWarningCleared(const QString &cause);
    void failed(const QString &title, const QString &message);
    /// The colour the needle colour swatch shows: the one under the pointer
    /// while a pick is armed, the sampled one after a pick or a cancel.
    void swatchColour(OleColor colour);
    /// A press on the dashboard ended an armed colour pick.
    void colourPickFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the document reports.
    void showLoadedDashboard();
    /// Shows the selected object at its stored place, reading its bitmaps
    /// again. The first entry (the background itself) and none show nothing.
    void showSelection();
    void followObjectMove(int index);
    void followDialChange();
    void showExtractionScreen();
    void endExtractionScreen(bool succeeded);
    // A background read anew (filechanges.cpp).
    void showNewBackground();

    /// Composites the selected object at its stored place through the
    /// prepared work surfaces, with its outline.
    void showSelectedObject();
    void showOutline(const QRectF &rect);
    void hideOutline();

    // All objects shown (allobjectsview.cpp).
    /// Makes the picture under what is drawn the background, with all
    /// objects but @p except on it while all are shown in the Objects panel.
    void showBase(std::optional<int> except);
    /// The prepared objects, read again after a load or an extraction.
    const AllObjects &allObjects();
    /// Draws every object over the dials, which lie under them.
    void drawAllOverDials();
    /// The selected object while it is drawn over the others.
    std::optional<int> shownSelection() const;

    /// The document's selected object; -1 for none.
    int selected() const;
    /// The selected object's bitmaps cannot be read again, until they can
    /// or another object is selected.
    static inline const QString SelectedFilesCause = QStringLiteral("selectedObjectFiles");

    // Dragging (dragging.cpp).
    void pressed(Qt::MouseButton button, const QPointF &at);
    void moved(Qt::MouseButtons buttons, const QPointF &at);
    void released(Qt::MouseButton button, const QPointF &at);
    void pickColour(const QPointF &at);
    void beginDrag(Qt::MouseButton button, const QPointF &at);
    void dragTo(const QPointF &at);
    void endDrag();
    bool canMoveSelection() const;
    void reportRefusedPosition();

    // Nudging (nudging.cpp).
    bool nudge(const QKeyEvent &key);

    // Zoom and the pointer readout (zoom.cpp).
    void zoomBy(int steps, const QPointF &anchor);
    void showPointer(const QPointF &at);
    /// The pixel the pointer at @p at lies on: its position rounded, as the
    /// readout and the colour pick take it.
    static QPoint pixelUnder(const QPointF &at);
    /// The colour of that pixel; black outside the dashboard.
    OleColor colourUnder(const QPointF &at) const;

    DashboardDocument &m_document;
    /// The dashboard, and the hidden work surfaces holding the selected
    /// object's prepared artwork and mask.
    PictureSurface m_surface;
    PictureSurface m_objectImage;
    PictureSurface m_objectMask;
    Viewport *m_viewport = nullptr;
    PictureBox *m_picture = nullptr;

    /// The selected object as shown: the outline stands where the object is
    /// drawn, which a drag moves before the document stores the place.
    QRectF m_outline;
    bool m_outlineVisible = false;
    /// Why the selected object is not shown: its bitmaps could not be read.
    QString m_notShownReason;
    bool m_showAll = false;
    /// All objects but the selected one are in the picture under the drawing.
    bool m_baseHasObjects = false;
    AllObjects m_allObjects;
    bool m_allObjectsStale = true;
    bool m_dialsMode = false;
    bool m_pickArmed = false;
    /// The pointer's pixel at the last drag step; none while no drag is under way.
    std::optional<QPoint> m_dragAnchor;
    struct NeedleTestValues
    {
        int speed;
        int revs;
    };
    std::optional<NeedleTestValues> m_needleTest;
    /// Counts the times focus left the dashboard or the selection changed:
    /// the nudges of one run merge into one undo step.
    int m_nudgeRun = 0;
};

} // namespace tolvane
