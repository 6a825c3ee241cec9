#pragma once

#include "safewrite.h"
#include "status.h"

#include <memory>
#include <vector>

namespace tolvane {

/// Replaces many files of one directory as one set: after a kill at any
/// moment, the files are all old or all new once the directory's
/// DashboardLock has been taken again.
///
/// Each file is staged through a SafeWrite made by add(), unsynced. commit()
/// makes them all durable with one flush of the file system, puts the journal
/// ".tolvane.renames" in place naming every staging file and the name it
/// replaces, renames them back to back, syncs the directory once and removes
/// the journal. A kill before the journal is in place leaves every old file
/// (and staging files, which the next lock's sweep removes); a kill after it
/// leaves the journal, by which the next taker of the lock finishes the
/// renames (finishInterruptedBatch()).
class SafeWriteBatch
{
public:
    /// The journal's name in the directory.
    static inline const QString JournalName = QStringLiteral(".tolvane.renames");

    explicit SafeWriteBatch(std::shared_ptr<const DirectoryHandle> directory);
    /// Every file not committed is cancelled.
    ~SafeWriteBatch();

    SafeWriteBatch(const SafeWriteBatch &) = delete;
    SafeWriteBatch &operator=(const SafeWriteBatch &) = delete;

    /// A new write of @p name, for the caller to open, write and finish; a
    /// later write of the same name wins.
    SafeWrite &add(const QString &name);
    /// Puts every file in place. A rename that fails is reported after the
    /// others have been made, as the journal would have them made; a note
    /// names each file written in place.
    Status commit();

private:
    Status writeJournal();

    std::shared_ptr<const DirectoryHandle> m_directory;
    std::vector<std::unique_ptr<SafeWrite>> m_files;
};

/// Finishes the renames that the journal in @p directory records, left by a
/// commit that was killed. Only the holder of the directory's DashboardLock
/// may call it, before it sweeps the staging files.
void finishInterruptedBatch(const QString &directory);

} // namespace tolvane
