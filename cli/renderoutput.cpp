#include "renderoutput.h"

#include "canvas/drawobject.h"
#include "masks/maskbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/shpitables.h"
#include "store/status.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

// The same for every path that reaches one file, links followed; empty when
// nothing is there.
QString fileIdentity(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
#else
    return QFileInfo(path).canonicalFilePath().toCaseFolded();
#endif
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
    const QString dashboardIdentity = fileIdentity(directory);
    const QFileInfo given(output);
    QList<QFileInfo> created = {given};
    if (given.isSymLink())
        created.append(QFileInfo(given.symLinkTarget()));
    for (const QFileInfo &file : created) {
        if (fileIdentity(file.absolutePath()) != dashboardIdentity)
            continue;
        for (const QString &name : names) {
            if (file.fileName().compare(name, Qt::CaseInsensitive) == 0)
                return refuse(name);
        }
    }

    // A file the write would replace, under whatever name it is reached.
    const QString outputIdentity = fileIdentity(output);
    if (outputIdentity.isEmpty())
        return Status::success();
    const DashboardDirectory dashboard(directory);
    for (const QString &name : names) {
        const QString existing = dashboard.existingFile(name);
        if (!existing.isEmpty() && fileIdentity(existing) == outputIdentity)
            return refuse(name);
    }
    return Status::success();
}

} // namespace tolvane::cli
