// The commands of the File menu: load, save, and the mask exchange, with
// the question before unsaved edits are lost.

#include "window/editor/mainwindow.h"

#include "canvas/editor/dashboardview.h"
#include "document/editor/recentdashboards.h"
#include "store/dashboardlock.h"
#include "window/editor/lockwait.h"
#include "window/editor/operationprogress.h"
#include "window/editor/statusline.h"

#include <QDir>

#include <utility>

namespace tolvane {

namespace {

QString objectCount(int count)
{
    return count == 1 ? MainWindow::tr("1 object") : MainWindow::tr("%1 objects").arg(count);
}

} // namespace

void MainWindow::loadDashboard()
{
    if (!maybeSaveChanges())
        return;
    m_dashboard->clearDrawing();
    const QString directory = m_askDirectory();
    if (directory.isEmpty())
        return;
    openDirectory(directory);
}

bool MainWindow::openDirectory(const QString &directory)
{
    m_dashboard->clearDrawing();
    if (Status status = m_document.load(directory, *operationPrinter()); !status) {
        reportFailure(QStringLiteral("Load SHPI"), status);
        return false;
    }
    // Not over what the view warned of as it showed the dashboard (objects left out).
    m_statusLine->showMessage(tr("Loaded %1.").arg(QDir::toNativeSeparators(directory)));
    if (std::exchange(m_fitToDashboard, false))
        fitToDashboard();
    addRecentDashboard(directory);
    return true;
}

bool MainWindow::saveDashboard()
{
    return writeContainer(QStringLiteral("Save SHPI Data"), tr("Saved the positions and dial data into SHPI.DAT"),
                          [this](DashboardDocument::WriteChoices choices, bool *changedOnDisk) {
                              return m_document.save(*operationPrinter(), choices, changedOnDisk);
                          });
}

void MainWindow::extractMasks()
{
    // The extraction rereads the tables from the file.
    if (!maybeSaveChanges())
        return;
    const QString command = QStringLiteral("Extract Masks from SHPI");
    std::optional<Status> status =
        whileLocked(command, [this] { return m_document.extractMasks(*operationPrinter()); });
    if (status && !status->inPlaceFile().isEmpty()) {
        if (!allowInPlace(*status))
            return;
        status = whileLocked(command, [this] { return m_document.extractMasks(*operationPrinter(), InPlace::Allowed); });
    }
    if (!status)
        return;
    if (!*status) {
        reportFailure(command, *status);
        return;
    }
    reportSuccess(tr("Extracted the masks of %1 from SHPI.DAT").arg(objectCount(m_document.tables().objects.count())),
                  *status);
}

void MainWindow::compileMasks()
{
    writeContainer(QStringLiteral("Compile Masks into SHPI"),
                   tr("Compiled the masks of %1 into SHPI.DAT").arg(objectCount(m_document.tables().objects.count())),
                   [this](DashboardDocument::WriteChoices choices, bool *changedOnDisk) {
                       return m_document.compileMasks(*operationPrinter(), choices, changedOnDisk);
                   });
}

bool MainWindow::maybeSaveChanges()
{
    // Before a load there is no file to save to.
    if (m_document.isClean() || !m_document.isOpen())
        return true;
    switch (m_askSaveChanges()) {
    case QMessageBox::Save:
        return saveDashboard();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

std::optional<Status> MainWindow::whileLocked(const QString &command, const std::function<Status()> &write)
{
    DashboardLock lock(m_document.directory());
    Status locked = Status::success();
    if (!m_lockWait->acquire(lock, &locked))
        locked = Status::cancelled(m_document.directory());
    // Cancelled in the wait or in the operation itself.
    const Status status = locked ? write() : locked;
    if (status.wasCancelled()) {
        m_statusLine->showMessage(tr("%1 was cancelled; no file was changed.").arg(command));
        return std::nullopt;
    }
    return status;
}

std::unique_ptr<PrintTarget> MainWindow::operationPrinter()
{
    // A new command: what the last one said has been seen.
    m_statusLine->clearMessage();
    return std::make_unique<OperationProgress>(m_dashboard->progressPrinter(), *m_operationProgress);
}

void MainWindow::reportSuccess(const QString &result, const Status &status)
{
    // What the note says (a write that was not atomic) must not pass unseen.
    if (status.note().isEmpty())
        m_statusLine->showMessage(result);
    else
        m_statusLine->showWarning(tr("%1; %2").arg(result, status.note()));
}

bool MainWindow::allowInPlace(const Status &refused)
{
    if (m_askInPlace(refused.message()))
        return true;
    m_statusLine->showMessage(tr("Nothing was written: %1").arg(refused.message()));
    return false;
}

void MainWindow::reportFailure(const QString &command, const Status &status)
{
    m_statusLine->showMessage(status.message());
    m_showMessage(command, status.message());
}

} // namespace tolvane
