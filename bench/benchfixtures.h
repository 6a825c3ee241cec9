#pragma once

#include <QSize>
#include <QString>

namespace tolvane::bench {

/// A container of @p count objects of @p side x @p side pixels with skipped
/// chunks, written into @p directory as SHPI.DAT; returns its size in bytes.
qint64 writeLargeContainer(const QString &directory, int count, int side);
/// The artwork of every object of writeLargeContainer(), so that with the
/// masks extracted the dashboard has no error.
void writeLargeArtworks(const QString &directory, int count, int side);

/// A dashboard of @p size with one object "obj1" of @p objectSide pixels
/// square, its artwork and mask, placed near the top-left corner so that the
/// window shows it at its first scroll position.
void writeDragDashboard(const QString &directory, const QSize &size, int objectSide);

/// A dashboard of @p size with @p count objects of 96 to 255 pixels a side
/// spread over it, some overlapping, each with its artwork and mask.
void writeCrowdedDashboard(const QString &directory, const QSize &size, int count);

} // namespace tolvane::bench
