#pragma once

#include "printtarget.h"
#include "shpitables.h"
#include "status.h"

namespace tolvane {

/// Whether a load reads SHPI.DAT whole for ShpiTables::contentDigest: only
/// where it will be checked against later changes.
enum class ContentDigest { Skipped, Taken };

/// Reads @p directory's SHPI.DAT into @p tables, printing the listing on
/// @p surface. On failure the tables are left as they were.
Status LoadShpi(const QString &directory, PrintTarget &surface, ShpiTables &tables,
                ContentDigest digest = ContentDigest::Skipped);

/// Sets @p changed when @p directory's SHPI.DAT is no longer the file
/// @p tables were read from or written to: its fingerprint differs and, where
/// the tables hold a digest, so do its bytes. Else @p tables take the
/// fingerprint it has now, so that a copy put back is read whole only once.
/// One that cannot be read counts as changed, and the failure says why.
Status checkContainer(const QString &directory, ShpiTables &tables, bool *changed);

/// The path of @p directory's container in whatever letter case it exists,
/// or a failure naming the directory when there is none.
Status findContainer(const QString &directory, QString *path);

} // namespace tolvane
