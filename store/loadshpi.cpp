#include "loadshpi.h"
#include "dashboarddirectory.h"
#include "tablereader.h"

#include <QDir>

namespace tolvane {

Status findContainer(const QString &directory, QString *path)
{
    if (!QFileInfo(directory).isDir())
        return Status::fileError(directory, QStringLiteral("is not a directory"));
    *path = DashboardDirectory(directory).existingFile(DashboardDirectory::ContainerName);
    if (path->isEmpty())
        return Status::fileError(QDir(directory).filePath(DashboardDirectory::ContainerName),
                                 QStringLiteral("the file does not exist"));
    return Status::success();
}

Status LoadShpi(const QString &directory, PrintTarget &surface, ShpiTables &tables)
{
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    TableReader reader(surface);
    QByteArray fingerprint;
    if (Status s = ContainerWalk::run(path, ContainerWalk::Reading, reader, &fingerprint); !s)
        return s;
    reader.commitTo(tables);
    tables.fingerprint = fingerprint;
    return Status::success();
}

Status containerFingerprint(const QString &directory, QByteArray *fingerprint)
{
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    class Structure : public ContainerWalk::Visitor
    {
    public:
        Status objectHeader(int, ObjectHeader &) override { return Status::success(); }
    } structure;
    return ContainerWalk::run(path, ContainerWalk::Reading, structure, fingerprint);
}

} // namespace tolvane
