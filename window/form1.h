#pragma once

#include "store/shpitables.h"
#include "store/status.h"
#include "window/picturesurface.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QGroupBox;
class QListWidget;
class QMenu;

namespace tolvane {

class DialPanel;
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

    /// Shows a failure to the user; replaceable so that tests see messages
    /// without a modal box.
    std::function<void(const QString &title, const QString &message)> showMessage;
    /// Asks for a dashboard directory; returns an empty string on cancel.
    /// Replaceable for tests; by default runs the load dialog.
    std::function<QString()> askDirectory;

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
    QAction *mnuObjs = nullptr;
    QAction *mnuDials = nullptr;

    // The side bar and its panels.
    QWidget *SideBar = nullptr;
    QGroupBox *Frame1 = nullptr;
    QListWidget *ObjList = nullptr;
    DialPanel *Frame2 = nullptr;

    // The dashboard: the surface, its widget inside the viewport, and the
    // hidden work surfaces of the object display.
    PictureSurface BackGSurface;
    PictureSurface Picture2;
    PictureSurface Picture3;
    Viewport *Picture4 = nullptr;
    PictureBox *BackG = nullptr;

    void Form_Load();
    void Form_Resize();

    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuExtract_Click();
    void mnuCompile_Click();
    void mnuExit_Click();
    void mnuObjs_Click();
    void mnuDials_Click();

    void ObjList_Click();
    void BackG_MouseDown(int Button, int Shift, float X, float Y);
    void BackG_MouseMove(int Button, int Shift, float X, float Y);
    void BackG_MouseUp(int Button, int Shift, float X, float Y);

    /// "Draw Dials".
    void Command3_Click();
    /// "Set Colour" / "Cancel".
    void Command4_Click();

    /// The selection outline, in BackG's pixels.
    QRectF boundBox() const;
    bool boundBoxVisible() const;
    void setBoundBox(const QRectF &rect, bool visible);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createSideBar();
    /// Fills the list, the picture, the swatch and the dial boxes from the
    /// tables, as after a load.
    void showLoadedDashboard(const QImage &background);
    /// Reports a failed file operation.
    void reportFailure(const QString &command, const Status &status);
    /// Reads the background picture "0000.bmp" of @p directory.
    Status readBackground(const QString &directory, QImage *background) const;
    /// Shows the object at its stored place through the prepared buffers.
    void showSelectedObject(int index);
};

} // namespace tolvane
