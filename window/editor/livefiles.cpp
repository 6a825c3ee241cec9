// The editor follows the dashboard's files as other programs change them:
// new bitmaps are shown as they are saved, a changed SHPI.DAT is read again
// (or, over unsaved edits, after asking), and no write replaces a SHPI.DAT
// that changed since it was read without the user choosing so.

#include "window/editor/mainwindow.h"

#include "canvas/editor/dashboardview.h"
#include "dials/editor/dialpanel.h"
#include "document/dashboardwatcher.h"
#include "store/dashboarddirectory.h"
#include "window/editor/statusline.h"

#include <QDir>
#include <QPushButton>
#include <QScopedValueRollback>

namespace tolvane {

namespace {

const QString UnreadableCause = QStringLiteral("unreadableFile");
const QString ContainerCause = QStringLiteral("containerDiffers");

QString containerPath(const QString &directory)
{
    return QDir::toNativeSeparators(QDir(directory).filePath(DashboardDirectory::ContainerName));
}

} // namespace

void MainWindow::watchFiles()
{
    m_askReload = [this](const QString &question) {
        QMessageBox box(QMessageBox::Question, tr("Reload SHPI.DAT"), question, QMessageBox::NoButton, this);
        QPushButton *reload = box.addButton(tr("Reload"), QMessageBox::DestructiveRole);
        box.setDefaultButton(box.addButton(tr("Keep Changes"), QMessageBox::RejectRole));
        box.exec();
        return box.clickedButton() == reload;
    };
    m_askChangedOnDisk = [this] {
        QMessageBox box(QMessageBox::Warning, tr("SHPI.DAT Changed"),
                        tr("Another program has changed %1 since it was read. Reload it (losing the changes made "
                           "here), overwrite it (losing the other program's), or cancel?")
                            .arg(containerPath(m_document.directory())),
                        QMessageBox::NoButton, this);
        QPushButton *reload = box.addButton(tr("Reload"), QMessageBox::DestructiveRole);
        QPushButton *overwrite = box.addButton(tr("Overwrite"), QMessageBox::AcceptRole);
        box.setDefaultButton(box.addButton(QMessageBox::Cancel));
        box.exec();
        return box.clickedButton() == reload      ? ChangedOnDiskAnswer::Reload
               : box.clickedButton() == overwrite ? ChangedOnDiskAnswer::Overwrite
                                                  : ChangedOnDiskAnswer::Cancel;
    };

    m_watcher = new DashboardWatcher(m_document, this);
    connect(m_watcher, &DashboardWatcher::selectedObjectFilesChanged, m_dashboard,
            &DashboardView::reloadSelectedObject);
    // A file that could not be read is said until one is read anew, which
    // the watcher passes on; a SHPI.DAT that differs from the edits until
    // it is read or written.
    connect(m_watcher, &DashboardWatcher::unreadable, m_statusLine,
            [this](const QString &message) { m_statusLine->showWarning(message, UnreadableCause); });
    for (auto read : {&DashboardWatcher::containerChanged, &DashboardWatcher::selectedObjectFilesChanged})
        connect(m_watcher, read, m_statusLine, [this] { m_statusLine->clearWarning(UnreadableCause); });
    connect(&m_document, &DashboardDocument::backgroundChanged, m_statusLine,
            [this] { m_statusLine->clearWarning(UnreadableCause); });
    for (auto current : {&DashboardDocument::loaded, &DashboardDocument::containerWritten})
        connect(&m_document, current, m_statusLine, [this] { m_statusLine->clearWarning(ContainerCause); });
    // Queued: the question is asked once the watcher has finished its round.
    connect(m_watcher, &DashboardWatcher::containerChanged, this, &MainWindow::followContainerChange,
            Qt::QueuedConnection);
}

void MainWindow::reloadDashboard()
{
    if (!m_document.isOpen())
        return;
    if (!m_document.isClean()) {
        // One that cannot be read counts as changed; the reload says why.
        bool changed = false;
        m_document.checkContainer(&changed);
        if (!askReload(changed))
            return;
    }
    reloadFromDisk(ReloadFailure::InMessage);
}

bool MainWindow::askReload(bool changedOnDisk)
{
    const QString path = containerPath(m_document.directory());
    return m_askReload(changedOnDisk ? tr("Another program has changed %1. Reload it, losing the changes that are "
                                          "not saved, or keep them?")
                                           .arg(path)
                                     : tr("Reloading %1 discards the changes made here that are not saved. "
                                          "Reload it, or keep them?")
                                           .arg(path));
}

void MainWindow::followContainerChange()
{
    if (m_askingAboutContainer || !m_document.isOpen())
        return;
    const QScopedValueRollback asking(m_askingAboutContainer, true);
    if (!m_document.isClean() && !askReload(true)) {
        m_statusLine->showWarning(tr("SHPI.DAT was changed by another program; the changes made here are kept."),
                                  ContainerCause);
        return;
    }
    reloadFromDisk(ReloadFailure::InStatusLine);
}

bool MainWindow::reloadFromDisk(ReloadFailure report)
{
    const int selected = m_document.selectedObject();
    // Read silently: the listing would print over the dashboard being worked on.
    DiscardingPrinter silent;
    if (Status status = m_document.load(m_document.directory(), silent); !status) {
        if (report == ReloadFailure::InStatusLine)
            m_statusLine->showWarning(status.message(), ContainerCause);
        else
            reportFailure(QStringLiteral("Reload"), status);
        return false;
    }
    m_document.selectObject(selected);
    if (m_dialPanel->isVisibleTo(m_sideBar))
        m_dashboard->showDialsMode();
    m_statusLine->showMessage(tr("Reloaded %1").arg(QDir::toNativeSeparators(m_document.directory())));
    return true;
}

bool MainWindow::writeContainer(const QString &command, const QString &result,
                                const std::function<Status(DashboardDocument::WriteChoices, bool *)> &write)
{
    DashboardDocument::WriteChoices choices{};
    bool changedOnDisk = false;
    std::optional<Status> status = whileLocked(command, [&] { return write(choices, &changedOnDisk); });
    if (!status)
        return false;
    if (changedOnDisk) {
        const QScopedValueRollback asking(m_askingAboutContainer, true);
        switch (m_askChangedOnDisk()) {
        case ChangedOnDiskAnswer::Overwrite:
            choices.ifChanged = DashboardDocument::ChangedContainer::Overwrite;
            status = whileLocked(command, [&] { return write(choices, nullptr); });
            if (!status)
                return false;
            break;
        case ChangedOnDiskAnswer::Reload:
            reloadFromDisk(ReloadFailure::InMessage);
            return false;
        case ChangedOnDiskAnswer::Cancel:
            m_statusLine->showMessage(status->message());
            return false;
        }
    }
    // Asked only now, so that a SHPI.DAT changed elsewhere is settled first.
    if (!status->inPlaceFile().isEmpty()) {
        if (!allowInPlace(*status))
            return false;
        choices.inPlace = InPlace::Allowed;
        status = whileLocked(command, [&] { return write(choices, nullptr); });
        if (!status)
            return false;
    }
    if (!*status) {
        reportFailure(command, *status);
        return false;
    }
    reportSuccess(result, *status);
    return true;
}

} // namespace tolvane
