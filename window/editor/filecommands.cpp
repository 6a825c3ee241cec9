// The commands of the File menu: load, save, and the mask exchange, with
// the question before unsaved edits are lost.

#include "window/editor/mainwindow.h"

#include "canvas/editor/dashboardview.h"
#include "store/editor/recentdashboards.h"

#include <QDir>
#include <QStatusBar>

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
    if (Status status = m_document.load(directory, *m_dashboard->progressPrinter()); !status) {
        reportFailure(QStringLiteral("Load SHPI"), status);
        return false;
    }
    statusBar()->showMessage(tr("Loaded %1").arg(QDir::toNativeSeparators(directory)));
    addRecentDashboard(directory);
    return true;
}

bool MainWindow::saveDashboard()
{
    return writeContainer(QStringLiteral("Save SHPI Data"),
                          [this](DashboardDocument::ChangedContainer ifChanged, bool *changedOnDisk) {
                              return m_document.save(*m_dashboard->progressPrinter(), ifChanged, changedOnDisk);
                          });
}

void MainWindow::extractMasks()
{
    // The extraction rereads the tables from the file.
    if (!maybeSaveChanges())
        return;
    const Status status = m_document.extractMasks(*m_dashboard->progressPrinter());
    if (!status)
        reportFailure(QStringLiteral("Extract Masks from SHPI"), status);
    reportNote(status);
}

void MainWindow::compileMasks()
{
    writeContainer(QStringLiteral("Compile Masks into SHPI"),
                   [this](DashboardDocument::ChangedContainer ifChanged, bool *changedOnDisk) {
                       return m_document.compileMasks(*m_dashboard->progressPrinter(), ifChanged, changedOnDisk);
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

void MainWindow::reportFailure(const QString &command, const Status &status)
{
    statusBar()->showMessage(status.message());
    m_showMessage(command, status.message());
}

void MainWindow::reportNote(const Status &status)
{
    if (!status.note().isEmpty())
        statusBar()->showMessage(status.note());
}

} // namespace tolvane
