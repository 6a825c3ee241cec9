#pragma once

#include "finding.h"
#include "store/shpitables.h"

#include <QSize>
#include <QString>

namespace tolvane {

/// What checkFiles() read besides its findings.
struct FilesRead
{
    /// The tables as SHPI.DAT holds them; empty when it could not be read.
    ShpiTables tables;
    /// The size of "0000.bmp" as object "0000"'s artwork; empty when it could
    /// not be read.
    QSize picture;
};

/// The findings that need the dashboard's files: SHPI.DAT that cannot be
/// read, each object's artwork and mask file (missing, unreadable, cut short,
/// of another size, or with pixels other than SHPI.DAT's) and staging files
/// left behind. Only reads: it neither writes nor takes the dashboard's lock.
Findings checkFiles(const QString &directory, FilesRead *read);

/// The findings @p files of a checkFiles() that read @p read, with those of
/// checkTables() for @p tables, which hold the objects read, perhaps moved
/// since. Without the tables' findings when SHPI.DAT could not be read.
Findings withTableFindings(const Findings &files, const FilesRead &read, const ShpiTables &tables);

/// Every finding of @p directory's dashboard: checkFiles() with checkTables()
/// of what it read.
Findings checkDashboard(const QString &directory);

} // namespace tolvane
