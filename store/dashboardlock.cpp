#include "dashboardlock.h"
#include "safewrite.h"
#include "safewritebatch.h"
#include "systemfiles.h"

#include <QHash>
#include <QMutex>

namespace tolvane {

namespace {

// How often each directory's lock is taken in this process. The system's lock
// belongs to the first taker, whose descriptor holds it; a second descriptor
// of this process would wait for the first. The editor's commands take it on
// the window's thread and their file operations again on a worker.
QHash<QByteArray, int> &heldLocks()
{
    static QHash<QByteArray, int> held;
    return held;
}

QMutex &heldLocksMutex()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

DashboardLock::DashboardLock(const QString &directory) : m_directory(directory) {}

DashboardLock::~DashboardLock()
{
    if (m_identity.isEmpty())
        return;
    const QMutexLocker guard(&heldLocksMutex());
    auto &held = heldLocks();
    if (--held[m_identity] == 0)
        held.remove(m_identity);
}

Status DashboardLock::acquire(int waitMs)
{
    if (!m_identity.isEmpty())
        return Status::success();
    m_heldElsewhere = false;
    auto lock = std::make_unique<system_files::DirectoryLock>();
    QString reason;
    if (!lock->open(m_directory, &reason))
        return Status::fileError(m_directory, QStringLiteral("cannot be locked: %1").arg(reason));
    // Held while the lock is taken, so that no other thread of this process
    // takes it a second time meanwhile.
    const QMutexLocker guard(&heldLocksMutex());
    auto &held = heldLocks();
    if (held.contains(lock->identity())) {
        m_identity = lock->identity();
        ++held[m_identity];
        return Status::success();
    }
    if (!lock->lock(waitMs, &reason)) {
        m_heldElsewhere = reason.isEmpty();
        m_holder = lock->holder();
        if (m_heldElsewhere)
            reason = QStringLiteral("%1 is writing this dashboard; try again when it has finished")
                         .arg(m_holder.isEmpty() ? QStringLiteral("another program") : m_holder);
        return Status::fileError(m_directory, QStringLiteral("cannot be locked: %1").arg(reason));
    }
    m_identity = lock->identity();
    held.insert(m_identity, 1);
    m_lock = std::move(lock);
    finishInterruptedBatch(m_directory);
    removeStagingLeftovers(m_directory);
    return Status::success();
}

} // namespace tolvane
