#include "document/editor/recentdashboards.h"

#include "store/dashboarddirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace tolvane {

namespace {

const QString SettingsKey = QStringLiteral("recentDashboards");

// One spelling per directory, so that "dir" and "dir/" are one entry.
QString normalised(const QString &directory)
{
    return QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
}

} // namespace

QStringList recentDashboards()
{
    QSettings settings;
    const QStringList stored = settings.value(SettingsKey).toStringList();
    QStringList existing;
    for (const QString &directory : stored)
        if (QFileInfo(directory).isDir() && !existing.contains(directory))
            existing.append(directory);
    while (existing.size() > RecentDashboardsMax)
        existing.removeLast();
    if (existing != stored)
        settings.setValue(SettingsKey, existing);
    return existing;
}

void addRecentDashboard(const QString &directory)
{
    const QString entry = normalised(directory);
    QSettings settings;
    QStringList list = settings.value(SettingsKey).toStringList();
    list.removeAll(entry);
    list.prepend(entry);
    while (list.size() > RecentDashboardsMax)
        list.removeLast();
    settings.setValue(SettingsKey, list);
}

void clearRecentDashboards()
{
    QSettings().remove(SettingsKey);
}

QString dashboardDirectoryFor(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QString container = DashboardDirectory(path).existingFile(DashboardDirectory::ContainerName);
        return QFileInfo(container).isFile() ? normalised(path) : QString();
    }
    if (info.isFile() && info.fileName().compare(DashboardDirectory::ContainerName, Qt::CaseInsensitive) == 0)
        return normalised(info.absolutePath());
    return QString();
}

} // namespace tolvane
