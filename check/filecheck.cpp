#include "filecheck.h"
#include "tablecheck.h"

#include "canvas/drawobject.h"
#include "masks/maskbitmap.h"
#include "pictures/checkedbitmap.h"
#include "store/containerwalk.h"
#include "store/dashboarddirectory.h"
#include "store/listing.h"
#include "store/loadshpi.h"
#include "store/safewrite.h"
#include "store/tablereader.h"
#include "store/windowsnames.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace tolvane {

namespace {

// A status's message without the path it starts with, which the finding names.
QString reason(const Status &status, const QString &path)
{
    const QString prefix = path + QStringLiteral(": ");
    return status.message().startsWith(prefix) ? status.message().mid(prefix.size()) : status.message();
}

QString sizeText(const ObjectHeader &header)
{
    return QStringLiteral("%1 x %2").arg(header.Width).arg(header.Height);
}

/// Reads the container as a load does, and each object's files beside its
/// pixel block as the walk passes it, so that no block is held longer.
class FileChecker : public TableReader
{
public:
    FileChecker(const QString &directory, const QDateTime &containerTime)
        : TableReader(m_discard), m_directory(directory), m_containerTime(containerTime) {}

    ContainerWalk::PixelAction pixelAction() const override { return ContainerWalk::PixelAction::Read; }

    Status pixels(int index, const ObjectHeader &header, QByteArray &pixels) override
    {
        const DirectoryEntry &entry = objects().directory[size_t(index)];
        const std::optional<QString> part = DashboardDirectory::fileNamePart(entry.Name);
        const std::optional<QString> maskName = maskFileName(entry.Name);
        // A name that cannot be a file name is a finding of the tables. Nor
        // are the files of a name Windows reads otherwise looked for on any
        // system, so that a dashboard has the same findings everywhere.
        if (!part || !maskName || windowsReadsOtherwise(*part))
            return Status::success();
        checkArtwork(index, header, objectImageFileName(*part));
        // A mask file shared with a later object holds that one's mask.
        if (laterObjectSharingMaskFile(objects().directory, index) < 0)
            checkMask(index, header, *maskName, pixels);
        return Status::success();
    }

    Findings takeFindings() { return std::move(m_findings); }
    QSize picture() const { return m_picture; }

private:
    void add(Finding::Severity severity, int index, const QString &file, const QString &what, const QString &todo)
    {
        m_findings.push_back(
            {severity, index, printableName(objects().directory[size_t(index)].Name), {}, file, what, todo});
    }

    void checkArtwork(int index, const ObjectHeader &header, const QString &fileName)
    {
        const QString path = m_directory.filePath(fileName);
        const QString todo = QStringLiteral("save the object's artwork there as a %1 BMP").arg(sizeText(header));
        BitmapLayout layout;
        if (Status s = checkBitmapFile(path, &layout); !s)
            return add(Finding::Severity::Error, index, fileName, reason(s, path), todo);
        if (layout.size != QSize(header.Width, header.Height))
            return add(Finding::Severity::Error, index, fileName,
                       QStringLiteral("the picture is %1 x %2, the object %3")
                           .arg(QString::number(layout.size.width()), QString::number(layout.size.height()),
                                sizeText(header)),
                       todo);
        if (fileName.compare(DashboardDirectory::BackgroundName, Qt::CaseInsensitive) == 0)
            m_picture = layout.size;
    }

    void checkMask(int index, const ObjectHeader &header, const QString &fileName, const QByteArray &pixels)
    {
        const QString path = m_directory.filePath(fileName);
        const QString extract = QStringLiteral("extract the masks to write it from SHPI.DAT");
        MaskPixels mask;
        if (Status s = readMaskBitmap(path, QSize(header.Width, header.Height), &mask); !s)
            return add(Finding::Severity::Error, index, fileName, reason(s, path),
                       QStringLiteral("save it as a %1 BMP, or %2").arg(sizeText(header), extract));
        if (mask.levels == pixels)
            return;
        if (QFileInfo(path).lastModified() < m_containerTime)
            add(Finding::Severity::Warning, index, fileName,
                QStringLiteral("its pixels differ from the mask in SHPI.DAT, which is newer"),
                QStringLiteral("extract the masks to take in SHPI.DAT's"));
        else
            add(Finding::Severity::Warning, index, fileName,
                QStringLiteral("its pixels differ from the mask in SHPI.DAT: edited but not compiled"),
                QStringLiteral("compile to take it in"));
    }

    DiscardingPrinter m_discard;
    const DashboardDirectory m_directory;
    const QDateTime m_containerTime;
    Findings m_findings;
    QSize m_picture;
};

Finding containerError(const QString &what, const QString &todo)
{
    return {Finding::Severity::Error, -1, {}, {}, DashboardDirectory::ContainerName, what, todo};
}

Findings stagingFiles(const QString &directory)
{
    Findings findings;
    const auto names = QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        if (isStagingFileName(name))
            findings.push_back({Finding::Severity::Warning, -1, {}, {}, name,
                                QStringLiteral("a staging file, left by a program killed while writing"),
                                QStringLiteral("the next save, extraction or compilation removes it")});
    }
    return findings;
}

} // namespace

Findings checkFiles(const QString &directory, FilesRead *read)
{
    *read = FilesRead();
    QString path;
    if (Status s = findContainer(directory, &path); !s) {
        const QString todo = QStringLiteral("name the directory that holds the dashboard");
        if (!QFileInfo(directory).isDir())
            return {{Finding::Severity::Error, -1, {}, {}, directory, reason(s, directory), todo}};
        return {containerError(reason(s, path), todo)};
    }
    FileChecker checker(directory, QFileInfo(path).lastModified());
    if (Status s = ContainerWalk::run(path, ContainerWalk::Reading, checker); !s)
        return {containerError(QStringLiteral("cannot be read: %1").arg(reason(s, path)),
                               QStringLiteral("restore SHPI.DAT from a copy"))};
    checker.commitTo(read->tables);
    read->picture = checker.picture();
    return mergeFindings(checker.takeFindings(), stagingFiles(directory));
}

Findings withTableFindings(const Findings &files, const FilesRead &read, const ShpiTables &tables)
{
    if (read.tables.objects.count() == 0)
        return files;
    return mergeFindings(files, checkTables(tables, read.picture));
}

Findings checkDashboard(const QString &directory)
{
    FilesRead read;
    const Findings files = checkFiles(directory, &read);
    return withTableFindings(files, read, read.tables);
}

} // namespace tolvane
