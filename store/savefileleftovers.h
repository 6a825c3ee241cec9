#pragma once

#include <QDateTime>
#include <QString>

namespace tolvane {

/// Removes what interrupted replacements of @p path left beside it. Where the
/// file system cannot give QSaveFile an unnamed file (no O_TMPFILE, other
/// systems than Linux), it writes "<name>.XXXXXX" and renames that over the
/// file; a killed process leaves that copy behind.
///
/// Only files that can be nothing else are removed: named exactly like such a
/// copy of @p path, a plain file and no link, last written before @p before
/// (so never the live copy of another writer), and either a byte-exact copy
/// of @p path as it is now, or shorter than it and equal to its beginning for
/// up to @p keyLength bytes, which every replacement writes first and never
/// changes. A user's own file with such a name is removed only when it is a
/// copy of @p path or the cut-off start of one.
void removeSaveFileLeftovers(const QString &path, const QDateTime &before, qint64 keyLength);

} // namespace tolvane
