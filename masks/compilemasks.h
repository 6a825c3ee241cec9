#pragma once

#include "store/canceltoken.h"
#include "store/printtarget.h"
#include "store/safewrite.h"
#include "store/shpitables.h"
#include "store/status.h"

namespace tolvane {

/// Writes every object's mask bitmap over its pixel block in @p directory's
/// SHPI.DAT, together with the ObjectTable's headers and the DialRecord as a
/// save writes them, printing a dotted "Inserting mask" line per object.
/// Every mask file must be present and usable and the file must still hold
/// the loaded objects; otherwise nothing is written. The container is
/// replaced atomically (in place only as @p inPlace allows, see SafeWrite). An
/// object whose name cannot be a file name keeps its pixel block; a line
/// reports it.
Status CompileMasks(const QString &directory, PrintTarget &surface, ShpiTables &tables,
                    InPlace inPlace = InPlace::Refused, const CancelToken &cancel = {});

} // namespace tolvane
