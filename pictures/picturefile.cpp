#include "picturefile.h"
#include "checkedbitmap.h"

#include "store/dashboarddirectory.h"

#include <QDir>
#include <QFileInfo>

namespace tolvane {

Status readPictureFile(const QString &path, QImage *picture)
{
    if (!QFileInfo::exists(path))
        return Status::fileError(path, QStringLiteral("the file does not exist."));
    return readBitmapFile(path, picture);
}

Status readDashboardBackground(const QString &directory, QImage *picture)
{
    const QString path = DashboardDirectory(directory).existingFile(DashboardDirectory::BackgroundName);
    if (path.isEmpty())
        return Status::fileError(QDir(directory).filePath(DashboardDirectory::BackgroundName),
                                 QStringLiteral("the file does not exist."));
    return readPictureFile(path, picture);
}

} // namespace tolvane
