#pragma once

#include "store/canceltoken.h"
#include "store/printtarget.h"
#include "store/safewrite.h"
#include "store/shpitables.h"
#include "store/status.h"

namespace tolvane {

/// Writes every object's pixel block of @p directory's SHPI.DAT as a mask
/// bitmap beside it and reloads the tables from the file, printing the
/// listing with a dotted "Extracting mask" line per object. SHPI.DAT is only
/// read. The mask files are replaced together (SafeWriteBatch) once the whole
/// container has been read; on failure no file is touched and the tables stay
/// as they were.
/// An object whose name cannot be a file name in the directory, or whose mask
/// file is a symbolic link, gets no file; a line reports it. A mask file that
/// can only be written in place is written so only as @p inPlace allows.
Status ExtractMasks(const QString &directory, PrintTarget &surface, ShpiTables &tables,
                    InPlace inPlace = InPlace::Refused, const CancelToken &cancel = {});

} // namespace tolvane
