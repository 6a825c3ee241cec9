#include "window/editor/mainwindow.h"

#include "canvas/editor/dashboardview.h"
#include "canvas/editor/objectspanel.h"
#include "dialogs/editor/loaddialog.h"
#include "dials/editor/dialpanel.h"
#include "pictures/appicon.h"
#include "window/editor/backgroundoperation.h"
#include "window/editor/elidinglabel.h"
#include "window/editor/lockwait.h"
#include "window/editor/statusline.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>

#include <utility>

namespace tolvane {

namespace {

// The area between the menu bar and the status bar the window opens with,
// unless the side bar needs more.
constexpr QSize DesignedInterior(442, 417);

QString zoomText(int zoom)
{
    return MainWindow::tr("%1 %").arg(zoom * 100);
}

// An item of @p menu found by @p name, as tests and the benchmarks find it.
template<typename Receiver, typename Slot>
QAction *addItem(QMenu *menu, const QString &caption, const char *name, const Receiver *receiver, Slot slot)
{
    QAction *action = menu->addAction(caption, receiver, slot);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *addMenu(QMenuBar *bar, const QString &caption, const char *name)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

// The warnings @p view reports, and the ends of their causes.
template<typename View>
void connectWarnings(View *view, StatusLine *line)
{
    QObject::connect(view, &View::statusWarning, line, &StatusLine::showWarning);
    QObject::connect(view, &View::statusWarningCleared, line, &StatusLine::clearWarning);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Tolvane"));
    setWindowIcon(appIcon());
    setAcceptDrops(true);

    m_showMessage = [this](const QString &title, const QString &message) {
        QMessageBox::warning(this, title, message);
    };
    m_askDirectory = [this]() -> QString {
        // Beside the dashboard being edited, where its neighbours are.
        LoadDialog dialog(m_document.directory(), this);
        return dialog.exec() == QDialog::Accepted ? dialog.directoryPath() : QString();
    };
    m_askSaveChanges = [this] {
        return QMessageBox::question(
            this, tr("Unsaved Changes"),
            tr("The dashboard %1 has changes that are not saved. Save them before going on?")
                .arg(QDir::toNativeSeparators(m_document.directory())),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    };
    m_askInPlace = [this](const QString &refusal) {
        return QMessageBox::warning(this, tr("Write in Place?"),
                                    tr("%1.\n\nWritten in place, over its old content, the file can be left "
                                       "damaged if the computer crashes or the disk fills up in the middle of the "
                                       "write. Write it in place?")
                                        .arg(refusal),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };

    // Before the views connect theirs: an undone edit brings its panel
    // forward before the views redraw it.
    connectDocument();
    createViews();
    createFileMenu();
    createEditMenu();
    createViewMenu();
    createStatusBar();
    watchFiles();
    createProblemsDock(menuBar()->findChild<QMenu *>(QStringLiteral("viewMenu")));

    // The designed interior is the area between the menu bar and the status
    // bar, above the Problems panel and the separator over it.
    resize(DesignedInterior.width(),
           DesignedInterior.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height() +
               m_problemsDock->sizeHint().height() +
               style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this));
}

MainWindow::~MainWindow()
{
    // The views refer to the document, which goes before the base class
    // deletes its children.
    delete centralWidget();
}

void MainWindow::connectDocument()
{
    connect(&m_document, &DashboardDocument::cleanChanged, this, &MainWindow::updateWindowTitle);
    connect(&m_document, &DashboardDocument::loaded, this, &MainWindow::showLoaded);
    connect(&m_document, &DashboardDocument::objectMoved, this, [this] {
        if (m_document.isReplayingEdit())
            showPanel(Panel::Objects);
    });
    connect(&m_document, &DashboardDocument::dialChanged, this, [this] {
        if (m_document.isReplayingEdit())
            showPanel(Panel::Dials);
    });
}

void MainWindow::createViews()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);

    m_sideBar = new QWidget(central);
    m_sideBar->setObjectName(QStringLiteral("sideBar"));
    // As wide as its panels ask; the dashboard view takes the rest.
    m_sideBar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_dashboard = new DashboardView(m_document, central);
    m_dashboard->setObjectName(QStringLiteral("dashboardView"));
    auto *interior = new QHBoxLayout(central);
    interior->setContentsMargins(QMargins());
    interior->setSpacing(0);
    interior->addWidget(m_sideBar);
    interior->addWidget(m_dashboard, 1);

    m_objectsPanel = new ObjectsPanel(m_document, m_sideBar);
    m_objectsPanel->setObjectName(QStringLiteral("objectsPanel"));
    m_dialPanel = new DialPanel(m_document, m_sideBar);
    m_dialPanel->setObjectName(QStringLiteral("dialPanel"));
    m_dialPanel->hide();
    // One panel at a time, at the top. The hidden one keeps its room, so that
    // switching neither moves the dashboard nor resizes the window.
    auto *panels = new QGridLayout(m_sideBar);
    panels->setContentsMargins(2, 0, 4, 0);
    for (QWidget *panel : {static_cast<QWidget *>(m_objectsPanel), static_cast<QWidget *>(m_dialPanel)}) {
        QSizePolicy policy = panel->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        panel->setSizePolicy(policy);
        panels->addWidget(panel, 0, 0, Qt::AlignTop);
    }
    panels->setRowStretch(1, 1);

    connect(m_dialPanel, &DialPanel::drawDialsRequested, m_dashboard, &DashboardView::drawDials);
    connect(m_dialPanel, &DialPanel::needleTestChanged, m_dashboard, &DashboardView::showNeedleTest);
    connect(m_dialPanel, &DialPanel::colourPickArmed, m_dashboard, &DashboardView::armColourPick);
    connect(m_dialPanel, &DialPanel::colourPickCancelled, m_dashboard, &DashboardView::cancelColourPick);
    connect(m_dashboard, &DashboardView::swatchColour, m_dialPanel, &DialPanel::setSwatch);
    connect(m_dashboard, &DashboardView::colourPickFinished, m_dialPanel, &DialPanel::finishColourPick);
    connect(m_dashboard, &DashboardView::failed, this,
            [this](const QString &title, const QString &message) { m_showMessage(title, message); });
}

void MainWindow::createFileMenu()
{
    QMenu *file = addMenu(menuBar(), QStringLiteral("File"), "fileMenu");
    m_loadAction = addItem(file, QStringLiteral("&Load SHPI"), "load", this, &MainWindow::loadDashboard);
    m_recentMenu = file->addMenu(tr("Recent &Dashboards"));
    m_recentMenu->setObjectName(QStringLiteral("recentMenu"));
    // Built each time it opens, so that folders removed meanwhile are gone.
    connect(m_recentMenu, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    m_saveAction = addItem(file, QStringLiteral("&Save SHPI Data"), "save", this, &MainWindow::saveDashboard);
    // The keys every desktop editor answers to, as this system spells them.
    m_loadAction->setShortcut(QKeySequence::Open);
    m_saveAction->setShortcut(QKeySequence::Save);
    file->addSeparator();
    m_extractAction =
        addItem(file, QStringLiteral("&Extract Masks from SHPI"), "extract", this, &MainWindow::extractMasks);
    m_compileAction =
        addItem(file, QStringLiteral("&Compile Masks into SHPI"), "compile", this, &MainWindow::compileMasks);
    file->addSeparator();
    addItem(file, QStringLiteral("E&xit"), "exit", this, &QWidget::close)->setShortcut(QKeySequence::Quit);

    // Until a dashboard is open there is nothing to write.
    m_saveAction->setEnabled(false);
    m_extractAction->setEnabled(false);
    m_compileAction->setEnabled(false);
}

void MainWindow::createEditMenu()
{
    QMenu *edit = addMenu(menuBar(), QStringLiteral("Edit"), "editMenu");
    m_undoAction = m_document.undoStack().createUndoAction(this, tr("&Undo"));
    m_undoAction->setObjectName(QStringLiteral("undo"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_redoAction = m_document.undoStack().createRedoAction(this, tr("&Redo"));
    m_redoAction->setObjectName(QStringLiteral("redo"));
    m_redoAction->setShortcut(QKeySequence::Redo);
    edit->addAction(m_undoAction);
    edit->addAction(m_redoAction);
    edit->addSeparator();

    m_objectsAction =
        addItem(edit, QStringLiteral("&Objects"), "objects", this, [this] { showPanel(Panel::Objects); });
    m_dialsAction = addItem(edit, QStringLiteral("&Dials"), "dials", this, [this] { showPanel(Panel::Dials); });
    m_objectsAction->setCheckable(true);
    m_dialsAction->setCheckable(true);
    m_objectsAction->setChecked(true);
}

void MainWindow::createViewMenu()
{
    QMenu *view = addMenu(menuBar(), tr("&View"), "viewMenu");
    m_zoomInAction = addItem(view, tr("Zoom &In"), "zoomIn", m_dashboard, &DashboardView::zoomIn);
    m_zoomInAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    m_zoomOutAction = addItem(view, tr("Zoom &Out"), "zoomOut", m_dashboard, &DashboardView::zoomOut);
    m_zoomOutAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    addItem(view, tr("&Actual Size"), "actualSize", m_dashboard, &DashboardView::showActualSize)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    view->addSeparator();
    m_showAllAction = view->addAction(tr("Show &All Objects"));
    m_showAllAction->setObjectName(QStringLiteral("showAllObjects"));
    m_showAllAction->setCheckable(true);
    // Toggled, so that the state the settings put back reaches the view too.
    connect(m_showAllAction, &QAction::toggled, m_dashboard, &DashboardView::setShowAllObjects);
    m_reloadAction = addItem(view, tr("&Reload"), "reload", this, &MainWindow::reloadDashboard);
    m_reloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    m_reloadAction->setEnabled(false);
    connect(m_dashboard, &DashboardView::zoomChanged, this, &MainWindow::showZoom);
}

void MainWindow::createStatusBar()
{
    // Left of the permanent sections, shown while a file operation runs.
    m_operationProgress = new QProgressBar(this);
    m_operationProgress->setObjectName(QStringLiteral("operationProgress"));
    m_operationProgress->setFormat(tr("%v of %m objects"));
    statusBar()->addWidget(m_operationProgress);
    m_operationProgress->hide();

    // Permanent, so that no message hides it while it waits.
    m_lockWait = new LockWait(this);
    m_lockWait->setObjectName(QStringLiteral("lockWait"));
    statusBar()->addPermanentWidget(m_lockWait);
    connect(m_lockWait, &LockWait::waitingChanged, this, [this](bool waiting) {
        centralWidget()->setEnabled(!waiting);
        menuBar()->setEnabled(!waiting);
        setAcceptDrops(!waiting);
    });

    // Permanent too: its Cancel stops a file operation running on a worker.
    m_operation = new BackgroundOperation(this);
    m_operation->setObjectName(QStringLiteral("backgroundOperation"));
    statusBar()->addPermanentWidget(m_operation);
    m_document.setOperationRunner(m_operation);
    connect(m_operation, &BackgroundOperation::runningChanged, this, &MainWindow::showOperationRunning);

    // The message and the readouts that give way to it.
    m_statusLine = new StatusLine(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    statusBar()->addWidget(m_statusLine, 1);
    connect(m_dashboard, &DashboardView::statusMessage, m_statusLine, &StatusLine::showMessage);
    connectWarnings(m_dashboard, m_statusLine);
    connectWarnings(m_dialPanel, m_statusLine);

    m_objectStatus = new ElidingLabel(this);
    m_objectStatus->setObjectName(QStringLiteral("objectStatus"));
    m_objectStatus->setTextFormat(Qt::PlainText);
    m_statusLine->addReadout(m_objectStatus);
    connect(m_objectsPanel, &ObjectsPanel::objectStatusChanged, this, [this](const QString &text) {
        m_objectStatus->setText(text);
        m_objectStatus->setToolTip(text);
    });

    m_pointerReadout = new QLabel(this);
    m_pointerReadout->setObjectName(QStringLiteral("pointerReadout"));
    // As wide as the widest readout, so that a new text neither shifts the
    // status bar nor makes it lay itself out again on every move; set apart
    // from the selected object's readout.
    constexpr int Gap = 12;
    m_pointerReadout->setContentsMargins(Gap, 0, 0, 0);
    m_pointerReadout->setFixedWidth(
        m_pointerReadout->fontMetrics().horizontalAdvance(DashboardView::widestPointerReadout()) + Gap);
    m_statusLine->addReadout(m_pointerReadout);
    connect(m_dashboard, &DashboardView::pointerReadoutChanged, m_pointerReadout, &QLabel::setText);

    m_zoomLevel = new QLabel(this);
    m_zoomLevel->setObjectName(QStringLiteral("zoomLevel"));
    m_zoomLevel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_zoomLevel->setFixedWidth(m_zoomLevel->fontMetrics().horizontalAdvance(zoomText(DashboardView::MaxZoom)) + 8);
    m_statusLine->addReadout(m_zoomLevel);
    showZoom(m_dashboard->zoom());
    statusBar()->setSizeGripEnabled(true);
}

void MainWindow::showOperationRunning(bool running)
{
    // The views edit the tables the operation's result replaces.
    centralWidget()->setEnabled(!running);
    setAcceptDrops(!running);
    const bool open = m_document.isOpen() && !running;
    for (QAction *fileCommand : {m_saveAction, m_extractAction, m_compileAction, m_reloadAction})
        fileCommand->setEnabled(open);
    m_loadAction->setEnabled(!running);
    m_recentMenu->setEnabled(!running);
    m_undoAction->setEnabled(!running && m_document.undoStack().canUndo());
    m_redoAction->setEnabled(!running && m_document.undoStack().canRedo());
    if (!running && std::exchange(m_closeWhenDone, false))
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::showZoom(int zoom)
{
    m_zoomInAction->setEnabled(zoom < DashboardView::MaxZoom);
    m_zoomOutAction->setEnabled(zoom > DashboardView::MinZoom);
    m_zoomLevel->setText(zoomText(zoom));
}

void MainWindow::showPanel(Panel panel)
{
    const bool dials = panel == Panel::Dials;
    // The menu has toggled its mark already; the visible panel tells whether
    // it was shown before, when nothing is to change.
    m_objectsAction->setChecked(!dials);
    m_dialsAction->setChecked(dials);
    if ((dials ? static_cast<QWidget *>(m_dialPanel) : m_objectsPanel)->isVisibleTo(m_sideBar))
        return;
    m_objectsPanel->setVisible(!dials);
    if (dials) {
        m_dashboard->showDialsMode();
        m_dialPanel->show();
    } else {
        m_dialPanel->hide();
        m_dashboard->showObjectsMode();
    }
}

void MainWindow::showLoaded()
{
    updateWindowTitle();
    m_saveAction->setEnabled(true);
    m_extractAction->setEnabled(true);
    m_compileAction->setEnabled(true);
    m_reloadAction->setEnabled(true);
}

void MainWindow::updateWindowTitle()
{
    if (!m_document.isOpen()) {
        setWindowTitle(QStringLiteral("Tolvane"));
        return;
    }
    // "[*]" is the place of the modified mark; one in the path itself is
    // doubled, which the title shows as it stands.
    QString directory = QDir::toNativeSeparators(m_document.directory());
    directory.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(QStringLiteral("Tolvane - %1[*]").arg(directory));
    setWindowModified(!m_document.isClean());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A write waiting for another program's is cancelled first, in the status
    // bar; a running one is never cut off half way.
    if (m_lockWait->isWaiting())
        event->ignore();
    else if (m_operation->isRunning()) {
        m_closeWhenDone = true;
        event->ignore();
    }
    else if (maybeSaveChanges()) {
        saveSettings();
        event->accept();
    }
    else
        event->ignore();
}

} // namespace tolvane
