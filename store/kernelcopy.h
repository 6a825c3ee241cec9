#pragma once

#include <QtGlobal>

class QFileDevice;

namespace tolvane {

/// Copies @p size bytes from @p in at @p inPos to the current position of
/// @p out inside the kernel, without a trip through user memory (and as a
/// shared extent where the file system offers one). Both devices' positions
/// end up after what was copied. Returns how many bytes were copied, which is
/// 0 where the system cannot copy this way; the caller copies the rest.
/// @p out must be open unbuffered.
qint64 kernelCopy(QFileDevice &in, qint64 inPos, QFileDevice &out, qint64 size);

} // namespace tolvane
