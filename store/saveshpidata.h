#pragma once

#include "canceltoken.h"
#include "printtarget.h"
#include "safewrite.h"
#include "shpitables.h"
#include "status.h"

namespace tolvane {

/// Writes every ObjectHeader of the ObjectTable and the DialRecord over their
/// records in @p directory's SHPI.DAT, printing progress on @p surface. No
/// other byte changes. The file is replaced atomically, so a failure leaves it
/// exactly as it was; the tables keep the ObjectTable and the DialRecord.
/// Where it can only be written in place, @p inPlace decides (see SafeWrite).
Status SaveShpiData(const QString &directory, PrintTarget &surface, ShpiTables &tables,
                    InPlace inPlace = InPlace::Refused, const CancelToken &cancel = {});

} // namespace tolvane
