#pragma once

#include "printtarget.h"
#include "shpitables.h"
#include "status.h"

namespace tolvane {

/// Reads @p directory's SHPI.DAT into @p tables, printing the listing on
/// @p surface. On failure the tables are left as they were.
Status LoadShpi(const QString &directory, PrintTarget &surface, ShpiTables &tables);

/// The fingerprint of @p directory's SHPI.DAT as it is now, as a load would
/// record it in ShpiTables::fingerprint.
Status containerFingerprint(const QString &directory, QByteArray *fingerprint);

/// The path of @p directory's container in whatever letter case it exists,
/// or a failure naming the directory when there is none.
Status findContainer(const QString &directory, QString *path);

} // namespace tolvane
