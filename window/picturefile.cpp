#include "picturefile.h"

#include "store/dashboarddirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace tolvane {

Status readPictureFile(const QString &path, QImage *picture)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Status::fileError(path, QStringLiteral("the file does not exist."));
    if (!info.isFile())
        return Status::fileError(path, QStringLiteral("is not a regular file."));
    QImageReader reader(path);
    QImage read = reader.read();
    if (read.isNull())
        return Status::fileError(path, QStringLiteral("the file cannot be read as a bitmap (%1).")
                                           .arg(reader.errorString()));
    *picture = std::move(read);
    return Status::success();
}

Status readDashboardBackground(const QString &directory, QImage *picture)
{
    const QString name = QStringLiteral("0000.bmp");
    const QString path = DashboardDirectory(directory).existingFile(name);
    if (path.isEmpty())
        return Status::fileError(QDir(directory).filePath(name), QStringLiteral("the file does not exist."));
    return readPictureFile(path, picture);
}

} // namespace tolvane
