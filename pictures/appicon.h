#pragma once

#include <QIcon>

namespace tolvane {

/// The window's icon: a small gauge with its needle, drawn at run time in a
/// handful of flat colours so that it stays sharp at 32 x 32.
QIcon appIcon();
QImage appIconImage(int size);

} // namespace tolvane
