#pragma once

#include "containerwalk.h"
#include "dashboardlock.h"
#include "loadshpi.h"
#include "shpitables.h"

namespace tolvane {

/// The opening that save, extraction and compilation share. Takes
/// @p directory's DashboardLock, finds its SHPI.DAT and walks it in @p mode
/// with the visitor that @p makeVisitor makes for the container's path, a
/// rewrite going in place only as @p inPlace allows. Once the walk has
/// succeeded, @p finish(visitor, walked) takes its result into @p tables and
/// returns the operation's status; when that succeeds too, @p tables takes
/// the fingerprint of the file as the walk left it. The lock is held
/// throughout, so no other program's write can come between the walk and
/// what @p finish does. @p cancel stops the walk between objects.
template<typename MakeVisitor, typename Finish>
Status walkLocked(const QString &directory, ContainerWalk::Mode mode, InPlace inPlace, ShpiTables &tables,
                  const CancelToken &cancel, MakeVisitor makeVisitor, Finish finish)
{
    DashboardLock lock(directory);
    if (Status s = lock.acquire(); !s)
        return s;
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    auto visitor = makeVisitor(path);
    QByteArray fingerprint;
    Status walked = ContainerWalk::run(path, mode, visitor, &fingerprint, inPlace, cancel);
    if (!walked)
        return walked;
    Status finished = finish(visitor, walked);
    if (finished) {
        tables.fingerprint = fingerprint;
        tables.contentDigest.clear();
    }
    return finished;
}

} // namespace tolvane
