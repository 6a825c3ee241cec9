#pragma once

#include "status.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace tolvane {

namespace system_files {
class DirectoryLock;
}

/// An exclusive lock on a dashboard directory. Every read-modify-write of a
/// dashboard holds one from its read to its rename, so that two programs
/// writing one dashboard take turns instead of undoing each other's changes.
/// Only a process that may write the directory can hold it
/// (system_files::DirectoryLock says how).
///
/// The system releases the lock when its process ends, so one left by a
/// killed process never blocks. Within one process the lock can be taken again
/// while held (a command holding it runs a routine that takes it too).
/// Taking it first finishes a set of renames that a killed write left half
/// done (finishInterruptedBatch()) and removes the staging files that killed
/// writes left behind.
class DashboardLock
{
public:
    explicit DashboardLock(const QString &directory);
    ~DashboardLock();

    DashboardLock(const DashboardLock &) = delete;
    DashboardLock &operator=(const DashboardLock &) = delete;

    /// How long a write waits for another program's before giving up.
    static constexpr int DefaultWaitMs = 15000;

    /// Takes the lock, waiting up to @p waitMs while another program holds it.
    Status acquire(int waitMs = DefaultWaitMs);
    /// Whether the last acquire() failed because another program held the lock.
    bool heldElsewhere() const { return m_heldElsewhere; }
    /// Then the program holding it, as "NAME (process ID)", or empty where the
    /// system does not tell.
    const QString &holder() const { return m_holder; }

private:
    QString m_directory;
    bool m_heldElsewhere = false;
    QString m_holder;
    QByteArray m_identity;
    std::unique_ptr<system_files::DirectoryLock> m_lock;
};

} // namespace tolvane
