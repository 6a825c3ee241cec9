#pragma once

#include <QStringList>

namespace tolvane {

/// How many dashboards the recent list keeps.
inline constexpr int RecentDashboardsMax = 8;

/// The dashboard directories opened last, most recent first, as kept in the
/// user's settings (QSettings of the application). Directories that no longer
/// exist are dropped from the settings as the list is read.
QStringList recentDashboards();

/// Puts @p directory first in the recent list, taking out an earlier entry of
/// the same directory, and keeps at most RecentDashboardsMax entries.
void addRecentDashboard(const QString &directory);

/// Empties the recent list.
void clearRecentDashboards();

/// The dashboard directory that @p path names: @p path itself when it is a
/// directory holding "SHPI.DAT" in any letter case, the directory of @p path
/// when it is such a "SHPI.DAT"; otherwise an empty string.
QString dashboardDirectoryFor(const QString &path);

} // namespace tolvane
