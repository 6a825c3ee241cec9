#include "form1.h"
#include "appicon.h"
#include "canvas/viewport.h"
#include "dialogs/loaddialog.h"
#include "dials/dialpanel.h"
#include "dials/needletest.h"
#include "window/picturebox.h"

#include <QAction>
#include <QGroupBox>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QResizeEvent>
#include <QStatusBar>

namespace tolvane {

namespace {

constexpr int SideBarWidth = 129;

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Tolvane"));
    setWindowIcon(appIcon());

    showMessage = [this](const QString &title, const QString &message) {
        QMessageBox::warning(this, title, message);
    };
    askDirectory = [this]() -> QString {
        LoadDialog dialog(QString(), this);
        dialog.exec();
        return dialog.bclickCaption() == QLatin1String("1") ? dialog.directoryPath() : QString();
    };

    auto *central = new QWidget(this);
    setCentralWidget(central);
    central->installEventFilter(this);
    createMenus();
    createSideBar();

    Picture4 = new Viewport(BackGSurface, central);
    BackG = Picture4->BackG;
    BackG->hide();

    connect(BackG, &PictureBox::mouseDown, this, &Form1::BackG_MouseDown);
    connect(BackG, &PictureBox::mouseMove, this, &Form1::BackG_MouseMove);
    connect(BackG, &PictureBox::mouseUp, this, &Form1::BackG_MouseUp);
    connect(ObjList, &QListWidget::currentRowChanged, this, &Form1::ObjList_Click);
    connect(Frame2, &DialPanel::dialsChanged, this, &Form1::Command3_Click);
    connect(Frame2, &DialPanel::drawDialsClicked, this, &Form1::Command3_Click);
    connect(Frame2, &DialPanel::setColourClicked, this, &Form1::Command4_Click);
    // After the connections above: the test acts once the window has handled each signal.
    needleTest = new NeedleTest(*this);
    createEditHistory();
    createPointerLabel();
    createViewMenu();
    createRecentMenu();

    setBoundBox(QRectF(8, 8, 9, 9), false);
    statusBar()->setSizeGripEnabled(true);
    // The designed interior is the area between the menu bar and the status bar.
    resize(DesignedWidth, DesignedHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    Form_Load();
}

Form1::~Form1()
{
    // The stack outlives this part of the window and announces its clearing.
    undoStack.disconnect(this);
    // The widgets refer to the surfaces and tables of this window, which are
    // destroyed before its base class deletes its children: they go first.
    delete centralWidget();
}

void Form1::createMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuLoad = mnuFile->addAction(QStringLiteral("&Load SHPI"), this, &Form1::mnuLoad_Click);
    mnuSave = mnuFile->addAction(QStringLiteral("&Save SHPI Data"), this, &Form1::mnuSave_Click);
    mnuFile->addSeparator();
    mnuExtract = mnuFile->addAction(QStringLiteral("&Extract Masks from SHPI"), this, &Form1::mnuExtract_Click);
    mnuCompile = mnuFile->addAction(QStringLiteral("&Compile Masks into SHPI"), this, &Form1::mnuCompile_Click);
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"), this, &Form1::mnuExit_Click);

    mnuEdit = menuBar()->addMenu(QStringLiteral("Edit"));
    mnuObjs = mnuEdit->addAction(QStringLiteral("&Objects"), this, &Form1::mnuObjs_Click);
    mnuDials = mnuEdit->addAction(QStringLiteral("&Dials"), this, &Form1::mnuDials_Click);
    mnuObjs->setCheckable(true);
    mnuDials->setCheckable(true);
    mnuObjs->setChecked(true);
}

void Form1::createSideBar()
{
    SideBar = new QWidget(centralWidget());
    SideBar->setFixedWidth(SideBarWidth);

    Frame1 = new QGroupBox(QStringLiteral("Objects"), SideBar);
    Frame1->setGeometry(2, 0, 121, 172);
    ObjList = new QListWidget(Frame1);
    ObjList->setGeometry(8, 16, 105, 147);

    Frame2 = new DialPanel(tables.dialRecord, SideBar);
    Frame2->move(2, 32);
    Frame2->hide();
}

void Form1::Form_Load()
{
    mnuSave->setEnabled(false);
    mnuExtract->setEnabled(false);
    mnuCompile->setEnabled(false);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // The interior is the central widget: the layout runs on each change of its size.
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        Form_Resize();
    if (filterEditEvent(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Form_Resize()
{
    const QSize interior = centralWidget()->size();
    SideBar->setGeometry(0, 0, SideBarWidth, interior.height());
    // A window narrower than the side bar leaves the viewport no room, never
    // a negative size.
    Picture4->setGeometry(SideBar->width(), 0, std::max(0, interior.width() - SideBar->width()),
                          std::max(0, interior.height()));
}

void Form1::mnuExit_Click()
{
    close();
}

void Form1::mnuObjs_Click()
{
    // The menu has toggled the mark already; the visible panel tells whether
    // it was checked before.
    if (Frame1->isVisibleTo(SideBar)) {
        mnuObjs->setChecked(true);
        return;
    }
    mnuObjs->setChecked(true);
    mnuDials->setChecked(false);
    Frame1->show();
    Frame2->hide();
}

void Form1::mnuDials_Click()
{
    if (Frame2->isVisibleTo(SideBar)) {
        mnuDials->setChecked(true);
        return;
    }
    mnuObjs->setChecked(false);
    mnuDials->setChecked(true);
    Frame1->hide();
    Frame2->move(2, 0);
    setBoundBox(boundBox(), false);
    Frame2->show();
    BackGSurface.Cls();
    Command3_Click();
}

QRectF Form1::boundBox() const
{
    return BackG->outline();
}

bool Form1::boundBoxVisible() const
{
    return BackG->outlineVisible();
}

void Form1::setBoundBox(const QRectF &rect, bool visible)
{
    BackG->setOutline(rect, visible);
}

void Form1::reportFailure(const QString &command, const Status &status)
{
    statusBar()->showMessage(status.message());
    showMessage(command, status.message());
}

} // namespace tolvane
