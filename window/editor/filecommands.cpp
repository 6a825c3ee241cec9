// The commands of the File menu: load, save, and the mask exchange, with
// the question before unsaved edits are lost.

#include "window/editor/mainwindow.h"

#include "canvas/editor/dashboardview.h"
#include "store/editor/recentdashboards.h"

#include <QDir>
#include <QStatusBar>

#include <utility>

namespace tolvane {

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
    statusBar()->clearMessage();
    if (Status status = m_document.load(directory, *m_dashboard->progressPrinter()); !status) {
        reportFailure(QStringLiteral("Load SHPI"), status);
        return false;
    }
    // What the view said as it showed the dashboard (objects left out) stays.
    const QString shown = statusBar()->currentMessage();
    const QString loaded = tr("Loaded %1.").arg(QDir::toNativeSeparators(directory));
    statusBar()->showMessage(shown.isEmpty() ? loaded : loaded + QStringLiteral(" ") + shown);
    if (std::exchange(m_fitToDashboard, false))
        fitToDashboard();
    addRecentDashboard(directory);
    return true;
}

bool MainWindow::saveDashboard()
{
    if (Status status = m_document.save(*m_dashboard->progressPrinter()); !status) {
        reportFailure(QStringLiteral("Save SHPI Data"), status);
        return false;
    }
    return true;
}

void MainWindow::extractMasks()
{
    // The extraction rereads the tables from the file.
    if (!maybeSaveChanges())
        return;
    if (Status status = m_document.extractMasks(*m_dashboard->progressPrinter()); !status)
        reportFailure(QStringLiteral("Extract Masks from SHPI"), status);
}

void MainWindow::compileMasks()
{
    if (Status status = m_document.compileMasks(*m_dashboard->progressPrinter()); !status)
        reportFailure(QStringLiteral("Compile Masks into SHPI"), status);
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

void MainWindow::reportFailure(const QString &command, const Status &status)
{
    statusBar()->showMessage(status.message());
    m_showMessage(command, status.message());
}

} // namespace tolvane
