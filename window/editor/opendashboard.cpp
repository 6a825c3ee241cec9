// Opening a dashboard without the load dialog: from the recent list, or by
// dropping its folder or its SHPI.DAT on the window.

#include "window/editor/mainwindow.h"

#include "document/editor/recentdashboards.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>

namespace tolvane {

namespace {

// The first dropped local file or folder that names a dashboard.
QString droppedDashboard(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return QString();
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString directory = dashboardDirectoryFor(url.toLocalFile());
        if (!directory.isEmpty())
            return directory;
    }
    return QString();
}

} // namespace

void MainWindow::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList directories = recentDashboards();
    for (int i = 0; i < directories.size(); ++i) {
        const QString directory = directories[i];
        QString caption = QDir::toNativeSeparators(directory);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        if (i < 9)
            caption = QStringLiteral("&%1 %2").arg(QString::number(i + 1), caption);
        QAction *action = m_recentMenu->addAction(caption);
        action->setData(directory);
        connect(action, &QAction::triggered, this, [this, directory] { openDashboard(directory); });
    }
    if (directories.isEmpty()) {
        m_recentMenu->addAction(tr("No recent dashboards"))->setEnabled(false);
        return;
    }
    m_recentMenu->addSeparator();
    m_recentMenu->addAction(tr("&Clear List"), this, [] { clearRecentDashboards(); });
}

bool MainWindow::openDashboard(const QString &directory)
{
    // The one place where a recent or dropped dashboard is opened.
    if (!maybeSaveChanges())
        return false;
    return openDirectory(directory);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedDashboard(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QString directory = droppedDashboard(event->mimeData());
    if (directory.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop has finished: a question or a failure message
    // shown within it would hold the file manager's drag until answered.
    QMetaObject::invokeMethod(this, [this, directory] { openDashboard(directory); }, Qt::QueuedConnection);
}

} // namespace tolvane
