#pragma once

#include <QtGlobal>

class QFileDevice;

namespace tolvane {

/// Copies @p size bytes from @p in at @p inPos to the current position of the
/// descriptor @p out inside the kernel, without a trip through user memory (and
/// as a shared extent where the file system offers one). @p in's position and
/// @p out's end up after what was copied. Returns how many bytes were copied,
/// which is 0 where the system cannot copy this way (or @p out is -1); the
/// caller copies the rest.
qint64 kernelCopy(QFileDevice &in, qint64 inPos, int out, qint64 size);

} // namespace tolvane
