#include "loadshpi.h"
#include "dashboarddirectory.h"
#include "systemfiles.h"
#include "tablereader.h"

#include <QDir>

namespace tolvane {

Status findContainer(const QString &directory, QString *path)
{
    if (!QFileInfo(directory).isDir())
        return Status::fileError(directory, QStringLiteral("is not a directory"));
    *path = DashboardDirectory(directory).filePath(DashboardDirectory::ContainerName);
    const QString reason = system_files::notRegularFileReason(*path, {});
    return reason.isEmpty() ? Status::success() : Status::fileError(*path, reason);
}

Status LoadShpi(const QString &directory, PrintTarget &surface, ShpiTables &tables, ContentDigest digest)
{
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    TableReader reader(surface);
    QByteArray fingerprint;
    ContainerWalk::Digest content;
    if (Status s = ContainerWalk::run(path, ContainerWalk::Reading, reader, &fingerprint, InPlace::Refused, {},
                                      digest == ContentDigest::Taken ? &content : nullptr);
        !s)
        return s;
    reader.commitTo(tables);
    tables.fingerprint = fingerprint;
    tables.contentDigest = content.result;
    return Status::success();
}

Status checkContainer(const QString &directory, ShpiTables &tables, bool *changed)
{
    *changed = true;
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    ContainerWalk::Visitor structure;
    QByteArray now;
    // The bytes are read only where the fingerprint differs and a digest of
    // the tables' file is there to compare them with.
    ContainerWalk::Digest digest{tables.fingerprint, {}};
    if (Status s = ContainerWalk::run(path, ContainerWalk::Reading, structure, &now, InPlace::Refused, {},
                                      tables.contentDigest.isEmpty() ? nullptr : &digest);
        !s)
        return s;
    if (now == tables.fingerprint) {
        *changed = false;
    } else if (!digest.result.isEmpty() && digest.result == tables.contentDigest) {
        *changed = false;
        tables.fingerprint = now;
    }
    return Status::success();
}

} // namespace tolvane
