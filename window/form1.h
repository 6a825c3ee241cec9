#pragma once

#include "store/shpitables.h"
#include "store/status.h"
#include "window/picturesurface.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QUndoStack>

#include <functional>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;

namespace tolvane {

class DialPanel;
class NeedleTest;
class PictureBox;
class Viewport;

/// The main window: the menus, the side bar with the Objects and Dials
/// panels, and the scrolled dashboard. Its handlers are named after their
/// control and event. The controls are public so that the handlers, which
/// live beside their subsystem (store/, masks/, canvas/, dials/), and the
/// tests reach them as the window's own code does.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    static constexpr int DesignedWidth = 442;
    static constexpr int DesignedHeight = 417;

    /// Opens @p directory as a load confirmed in the dialog does. On failure
    /// shows the message and changes nothing.
    bool openDirectory(const QString &directory);
    /// Opens @p directory from the recent list or a drop on the window: asks
    /// about unsaved edits first, then opens it as openDirectory() does.
    bool openDashboard(const QString &directory);

    /// Shows a failure to the user; replaceable so that tests see messages
    /// without a modal box.
    std::function<void(const QString &title, const QString &message)> showMessage;
    /// Asks for a dashboard directory; returns an empty string on cancel.
    /// Replaceable for tests; by default runs the load dialog.
    std::function<QString()> askDirectory;
    /// Asks whether to save the unsaved edits before they are lost: Save,
    /// Discard or Cancel. Replaceable for tests, as showMessage is.
    std::function<QMessageBox::StandardButton()> askSaveChanges;

    /// While there are unsaved edits, asks whether to save them and saves
    /// when told to. False when the user cancelled or the save failed: the
    /// caller then stops. With no unsaved edits nothing is asked.
    bool maybeSaveChanges();
    /// Saves positions and dial data, as "&Save SHPI Data" does; false when
    /// the save failed, which has been reported.
    bool saveDashboard();

    /// Every edit of the dashboard, for undo and redo. Clean while the file
    /// holds what the tables hold; the title's modified mark follows it.
    QUndoStack undoStack;

    // The container tables and the window's state.
    ShpiTables tables;
    QString ShpiDirectory;
    bool ColourPickArmed = false;
    int16_t DragAnchorX = 0;
    int16_t DragAnchorY = 0;

    // Menus.
    QMenu *mnuFile = nullptr;
    QAction *mnuLoad = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuExtract = nullptr;
    QAction *mnuCompile = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuRedo = nullptr;
    QAction *mnuObjs = nullptr;
    QAction *mnuDials = nullptr;
    QMenu *mnuRecent = nullptr;
    QMenu *mnuView = nullptr;
    QAction *mnuZoomIn = nullptr;
    QAction *mnuZoomOut = nullptr;
    QAction *mnuActualSize = nullptr;

    // The side bar and its panels.
    QWidget *SideBar = nullptr;
    QGroupBox *Frame1 = nullptr;
    QListWidget *ObjList = nullptr;
    DialPanel *Frame2 = nullptr;
    /// The test speed and revs under the Dials panel.
    NeedleTest *needleTest = nullptr;

    // The dashboard: the surface, its widget inside the viewport, and the
    // hidden work surfaces of the object display.
    PictureSurface BackGSurface;
    PictureSurface Picture2;
    PictureSurface Picture3;
    Viewport *Picture4 = nullptr;
    PictureBox *BackG = nullptr;
    /// The selected object's name, size, centre and position, in the status bar.
    QLabel *ObjectStatus = nullptr;
    /// The dashboard pixel under the pointer and its colour.
    QLabel *lblPointer = nullptr;
    QLabel *lblZoom = nullptr;

    /// The view's zoom: each dashboard pixel is shown as a zoom x zoom block.
    static constexpr int MinZoom = 1;
    static constexpr int MaxZoom = 8;
    int zoom() const;
    /// Zooms to @p zoom (clamped to MinZoom ... MaxZoom), keeping the
    /// dashboard point under @p anchor, a point of Picture4, in place.
    void setZoom(int zoom, const QPointF &anchor);

    void Form_Load();
    void Form_Resize();

    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuExtract_Click();
    void mnuCompile_Click();
    void mnuExit_Click();
    void mnuObjs_Click();
    void mnuDials_Click();
    /// Fills the recent list as it opens, without folders that are gone.
    void mnuRecent_AboutToShow();
    void mnuZoomIn_Click();
    void mnuZoomOut_Click();
    void mnuActualSize_Click();

    void ObjList_Click();
    void BackG_MouseDown(int Button, int Shift, float X, float Y);
    void BackG_MouseMove(int Button, int Shift, float X, float Y);
    void BackG_MouseUp(int Button, int Shift, float X, float Y);
    /// Shows the pixel under the pointer and its colour in lblPointer.
    void BackG_PointerMove(float X, float Y);
    void BackG_MouseLeave();
    /// Ctrl+wheel: zooms by @p steps levels around the pointer.
    void BackG_ZoomWheel(int steps, const QPointF &widgetPoint);

    /// "Draw Dials".
    void Command3_Click();
    /// "Set Colour" / "Cancel".
    void Command4_Click();

    /// The arrow keys on the dashboard nudge the selected object, by 10
    /// pixels with Shift. True when the key was one of them and was used.
    bool BackG_KeyDown(const QKeyEvent &key);
    /// Moves the selected object by (@p dx, @p dy) as a release stores it;
    /// the nudges of one run on one object are one undo step. False when no
    /// object can be moved: none or the first entry selected, or the Dials
    /// panel shown.
    bool nudgeSelectedObject(int dx, int dy);
    /// Records a box's edited value for undo.
    void DialSet_Edited(int Index, int16_t before, int16_t after);

    // The paths every edit takes, and undo and redo with it. Each brings its
    // panel forward and redraws as the edit itself does.

    /// Stores (@p x, @p y) as the position of object @p index and shows it
    /// as a release does.
    void setObjectPosition(int index, int16_t x, int16_t y);
    /// Shows @p value in dial box @p box; its change handling stores the
    /// value and redraws the dials.
    void setDialField(int box, int16_t value);
    /// Stores the needle colour's sample point, shows its colour in the
    /// swatch and redraws the dials.
    void setDialColourPoint(int16_t x, int16_t y);

    /// The selection outline, in BackG's pixels.
    QRectF boundBox() const;
    bool boundBoxVisible() const;
    void setBoundBox(const QRectF &rect, bool visible);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    /// Closing asks first while there are unsaved edits.
    void closeEvent(QCloseEvent *event) override;
    /// A dashboard folder or its SHPI.DAT dropped on the window opens it.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createMenus();
    void createSideBar();
    /// Fills the list, the picture, the swatch and the dial boxes from the
    /// tables, as after a load.
    void showLoadedDashboard(const QImage &background);
    /// Reports a failed file operation.
    void reportFailure(const QString &command, const Status &status);
    /// Shows the object at its stored place through the prepared buffers.
    void showSelectedObject(int index);
    void createViewMenu();
    void createRecentMenu();
    void createPointerLabel();
    void zoomBy(int steps, const QPointF &anchor);

    /// The undo and redo items, the status label, and what keeps the title
    /// and the edit runs up to date.
    void createEditHistory();
    /// Keys on the dashboard, and focus leaving it or a dial box.
    bool filterEditEvent(QObject *watched, QEvent *event);
    /// "Tolvane - <directory>" with the modified mark once a dashboard is open.
    void updateWindowTitle();
    /// Fills the status label from the selected object's table entry.
    void showObjectStatus();
    /// Stores the position through setObjectPosition() and records it; the
    /// moves of one nudge run (-1: a drag) merge.
    void moveObject(int index, int16_t x, int16_t y, int nudgeRun);
    void reportRefusedPosition(int index);

    // Counts how often focus left the dashboard or a dial box, or the
    // selection changed: the edits of one run merge into one undo step.
    int m_editRun = 0;
    // Set while undo or redo replays an edit, which must not be recorded again.
    bool m_replayingEdit = false;
};

} // namespace tolvane
