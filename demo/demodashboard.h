#pragma once

#include "store/status.h"

#include <QString>

namespace tolvane {

/// Creates @p directory, or fills it when it exists and is empty, with the
/// demo dashboard: the background "0000.bmp", the artwork bitmap of every
/// overlay object, SHPI.DAT holding all objects and the dials, and the mask
/// bitmaps extracted from it. A directory that is not empty is refused, so
/// nothing of the user's is overwritten; on any failure whatever was written
/// is removed again. Needs a QGuiApplication with at least one font.
Status writeDemoDashboard(const QString &directory);

} // namespace tolvane
