#pragma once

#include "document/dashboarddocument.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDockWidget;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QProgressBar;

namespace tolvane {

class BackgroundOperation;
class DashboardView;
class DashboardWatcher;
class DialPanel;
class ElidingLabel;
class LockWait;
class ObjectsPanel;
class PrintTarget;
class Status;
class StatusLine;

/// The main window: it assembles the menus, the side bar with the Objects and
/// Dials panels, the dashboard view and the status bar around one document,
/// and runs the file commands with their questions and messages.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    DashboardDocument &document() { return m_document; }

    /// Opens @p directory as a load confirmed in the dialog does. On failure
    /// shows the message and changes nothing.
    bool openDirectory(const QString &directory);
    /// Opens @p directory from the recent list or a drop on the window: asks
    /// about unsaved edits first, then opens it as openDirectory() does.
    bool openDashboard(const QString &directory);
    /// While there are unsaved edits, asks whether to save them and saves
    /// when told to. False when the user cancelled or the save failed: the
    /// caller then stops. With no unsaved edits nothing is asked.
    bool maybeSaveChanges();
    /// Saves positions and dial data, as "&Save SHPI Data" does; false when
    /// the save failed, which has been reported.
    bool saveDashboard();

    /// Puts back the size, place, panel, zoom and "Show All Objects" of the
    /// last run, which closing the window keeps in the user's settings. With
    /// none kept, the first dashboard opened makes the window large enough
    /// to show it whole, as far as the screen allows.
    void restoreSettings();

    using MessageHandler = std::function<void(const QString &title, const QString &message)>;
    /// Shows failures to the user; replaceable so that tests see messages
    /// without a modal box.
    void setMessageHandler(MessageHandler handler) { m_showMessage = std::move(handler); }
    /// Asks for a dashboard directory (empty on cancel); by default the load dialog.
    void setDirectoryPrompt(std::function<QString()> prompt) { m_askDirectory = std::move(prompt); }
    /// Asks Save, Discard or Cancel before unsaved edits would be lost.
    void setSaveChangesPrompt(std::function<QMessageBox::StandardButton()> prompt)
    {
        m_askSaveChanges = std::move(prompt);
    }

    /// Asks @p question, before a reload over unsaved edits (SHPI.DAT changed
    /// on disk, or View > Reload): whether to reload (true), losing them, or
    /// to keep them.
    void setReloadPrompt(std::function<bool(const QString &question)> prompt) { m_askReload = std::move(prompt); }
    /// What a save or compilation does with a SHPI.DAT that another program
    /// changed since it was read.
    enum class ChangedOnDiskAnswer { Reload, Overwrite, Cancel };
    void setChangedOnDiskPrompt(std::function<ChangedOnDiskAnswer()> prompt)
    {
        m_askChangedOnDisk = std::move(prompt);
    }
    /// Asks, before anything is written, whether a file that can only be
    /// written in place may be so; @p refusal names it and why. Once per
    /// save, compilation or extraction; by default No.
    void setInPlacePrompt(std::function<bool(const QString &refusal)> prompt) { m_askInPlace = std::move(prompt); }

protected:
    /// Closing asks first while there are unsaved edits; while a file
    /// operation runs, it waits for its end.
    void closeEvent(QCloseEvent *event) override;
    /// A dashboard folder or its SHPI.DAT dropped on the window opens it.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createViews();
    void createFileMenu();
    void createEditMenu();
    void createViewMenu();
    void createStatusBar();
    /// The Problems panel's dock, its item in @p viewMenu and its count in
    /// the status bar (problemsdock.cpp).
    void createProblemsDock(QMenu *viewMenu);
    void connectDocument();
    /// Keeps the commands that would conflict with a running file operation
    /// from being used while it runs.
    void showOperationRunning(bool running);

    enum class Panel { Objects, Dials };
    /// The switch between the side bar's panels, as the Edit menu makes it.
    void showPanel(Panel panel);
    void showZoom(int zoom);
    void updateWindowTitle();
    void showLoaded();

    // The window's state between runs (windowsettings.cpp).
    void saveSettings() const;
    void fitToDashboard();
    /// Resizes the window to @p wanted, within the screen together with its
    /// @p frame, and moves it onto the screen.
    void placeOnScreen(QSize wanted, QSize frame);

    // The file commands (filecommands.cpp).
    void loadDashboard();
    void extractMasks();
    void compileMasks();
    void reportFailure(const QString &command, const Status &status);
    /// Runs @p write holding the dashboard's lock. While another program
    /// holds it, the status bar names that program and offers Cancel, and only
    /// Cancel may be used. Nothing when the user cancelled the wait or the
    /// operation, which is reported.
    std::optional<Status> whileLocked(const QString &command, const std::function<Status()> &write);
    /// Where a file operation prints: its lines on the dashboard, its
    /// progress in the status bar.
    std::unique_ptr<PrintTarget> operationPrinter();
    /// Says in the status line what the operation did, and what its status
    /// notes.
    void reportSuccess(const QString &result, const Status &status);
    /// After a write refused because it could only go in place: asks the
    /// user; true to run it again allowing that. Says in the status line
    /// that nothing was written when the answer is No.
    bool allowInPlace(const Status &refused);

    // Following the files on disk (livefiles.cpp).
    void watchFiles();
    /// View > Reload: asks first while there are unsaved edits.
    void reloadDashboard();
    /// Whether to reload over the unsaved edits; @p changedOnDisk says
    /// whether another program changed SHPI.DAT.
    bool askReload(bool changedOnDisk);
    void followContainerChange();
    /// Where a failure to read SHPI.DAT again is said: in the status line
    /// alone, as for a change another program made, or in a message too.
    enum class ReloadFailure { InStatusLine, InMessage };
    /// Reads SHPI.DAT again, keeping the selected object and the panel.
    bool reloadFromDisk(ReloadFailure report);
    /// Runs a write of SHPI.DAT; when another program changed the file,
    /// asks whether to reload it, overwrite it or cancel. False when nothing
    /// was written.
    /// On success says @p result in the status line.
    bool writeContainer(const QString &command, const QString &result,
                        const std::function<Status(DashboardDocument::WriteChoices, bool *)> &write);

    // The recent list and dropped dashboards (opendashboard.cpp).
    void fillRecentMenu();

    DashboardDocument m_document;

    QMenu *m_recentMenu = nullptr;
    QAction *m_loadAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_extractAction = nullptr;
    QAction *m_compileAction = nullptr;
    QAction *m_objectsAction = nullptr;
    QAction *m_dialsAction = nullptr;
    QAction *m_zoomInAction = nullptr;
    QAction *m_zoomOutAction = nullptr;
    QAction *m_showAllAction = nullptr;
    bool m_fitToDashboard = false;
    QAction *m_reloadAction = nullptr;

    QWidget *m_sideBar = nullptr;
    ObjectsPanel *m_objectsPanel = nullptr;
    DialPanel *m_dialPanel = nullptr;
    DashboardView *m_dashboard = nullptr;
    StatusLine *m_statusLine = nullptr;
    ElidingLabel *m_objectStatus = nullptr;
    QLabel *m_pointerReadout = nullptr;
    QLabel *m_zoomLevel = nullptr;
    QProgressBar *m_operationProgress = nullptr;
    QDockWidget *m_problemsDock = nullptr;
    QLabel *m_problemCount = nullptr;
    LockWait *m_lockWait = nullptr;
    BackgroundOperation *m_operation = nullptr;
    /// The window was closed while an operation ran: it closes when that ends.
    bool m_closeWhenDone = false;
    DashboardWatcher *m_watcher = nullptr;
    /// While a question about the changed SHPI.DAT is open, further changes
    /// wait for its answer.
    bool m_askingAboutContainer = false;

    MessageHandler m_showMessage;
    std::function<QString()> m_askDirectory;
    std::function<QMessageBox::StandardButton()> m_askSaveChanges;
    std::function<bool(const QString &question)> m_askReload;
    std::function<ChangedOnDiskAnswer()> m_askChangedOnDisk;
    std::function<bool(const QString &)> m_askInPlace;
};

} // namespace tolvane
