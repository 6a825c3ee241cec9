#pragma once

#include "checkedbitmap.h"

namespace tolvane {

/// Expands the run-length data of @p file (RLE8 or RLE4, as @p layout says)
/// into @p plainFile: the same file with plain 8-bit rows, which QImage
/// decodes completely. Refuses, naming @p fileName, data that ends before
/// its end-of-bitmap code (in the file and in the most @p layout allows it)
/// or passes the edge of the picture. The pixels the
/// data skips (by a delta or an early end of line) are index 0.
Status expandRunLengths(const QString &fileName, const QByteArray &file, const BitmapLayout &layout,
                        QByteArray *plainFile);

} // namespace tolvane
