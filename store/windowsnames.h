#pragma once

#include <QString>

namespace tolvane {

/// Whether Windows would take the file name @p part + ".bmp" (or any other
/// extension) for something other than a plain file of that name: a reserved
/// device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any letter case and
/// whatever follows a dot), an alternate data stream (":"), a wildcard or a
/// character no Windows file name may hold. Holds on every system, so that
/// the rule is tested everywhere; only the Windows build refuses such names.
bool windowsReadsOtherwise(const QString &part);

} // namespace tolvane
