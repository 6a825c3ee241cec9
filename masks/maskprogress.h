#pragma once

#include "store/printtarget.h"

namespace tolvane {

/// Prints @p caption ("Extracting mask", "Inserting mask") with one dot for
/// every tenth column of an object @p width pixels wide, then closes the line.
inline void printMaskProgress(PrintTarget &out, const QString &caption, int width)
{
    out.print(caption, PrintTarget::KeepLineOpen);
    for (int x = 10; x <= width; x += 10)
        out.print(QStringLiteral("."), PrintTarget::KeepLineOpen);
    out.print();
}

} // namespace tolvane
