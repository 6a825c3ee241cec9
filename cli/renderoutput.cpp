#include "renderoutput.h"

#include "canvas/drawobject.h"
#include "masks/maskbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/shpitables.h"
#include "store/status.h"
#include "store/systemfiles.h"

#include <QFile>
#include <QFileInfo>

namespace tolvane::cli {

namespace {

QStringList dashboardFileNames(const ObjectTable &objects)
{
    QStringList names = {DashboardDirectory::ContainerName, DashboardDirectory::BackgroundName};
    for (const DirectoryEntry &entry : objects.directory) {
        if (const std::optional<QString> part = DashboardDirectory::fileNamePart(entry.Name))
            names << objectImageFileName(*part);
        if (const std::optional<QString> mask = maskFileName(entry.Name))
            names << *mask;
    }
    return names;
}

} // namespace

Status checkRenderOutput(const QString &directory, const ObjectTable &objects, const QString &output)
{
    const auto refuse = [&output](const QString &name) {
        return Status::fileError(output, QStringLiteral("is the dashboard's own file \"%1\"; write the picture to "
                                                        "a file of its own.")
                                             .arg(name));
    };
    const QStringList names = dashboardFileNames(objects);

    // A file the write would create: a name of the dashboard's, in its
    // directory. A link is written through, so its target counts too.
    const QByteArray dashboardKey = system_files::fileKey(directory);
    const QFileInfo given(output);
    QList<QFileInfo> created = {given};
    if (given.isSymLink())
        created.append(QFileInfo(given.symLinkTarget()));
    for (const QFileInfo &file : created) {
        if (system_files::fileKey(file.absolutePath()) != dashboardKey)
            continue;
        for (const QString &name : names) {
            if (file.fileName().compare(name, Qt::CaseInsensitive) == 0)
                return refuse(name);
        }
    }

    // A file the write would replace, under whatever name it is reached.
    const QByteArray outputKey = system_files::fileKey(output);
    if (outputKey.isEmpty())
        return Status::success();
    const DashboardDirectory dashboard(directory);
    for (const QString &name : names) {
        const QString existing = dashboard.existingFile(name);
        if (!existing.isEmpty() && system_files::fileKey(existing) == outputKey)
            return refuse(name);
    }
    return Status::success();
}

} // namespace tolvane::cli
