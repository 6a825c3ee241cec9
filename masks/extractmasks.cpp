#include "extractmasks.h"
#include "maskbitmap.h"
#include "maskprogress.h"
#include "store/dashboarddirectory.h"
#include "store/loadshpi.h"
#include "store/tablereader.h"

#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace tolvane {

namespace {

class MaskExtractor : public TableReader
{
public:
    MaskExtractor(const DashboardDirectory &directory, PrintTarget &out)
        : TableReader(out), m_directory(directory) {}

    ContainerWalk::PixelAction pixelAction() const override { return ContainerWalk::PixelAction::Read; }

    Status pixels(int index, const ObjectHeader &header, QByteArray &pixels) override
    {
        const auto fileName = maskFileName(objects().directory[index].Name);
        if (!fileName) {
            out().Print(QStringLiteral("No mask file for object %1: its name is no plain file name").arg(index));
            return Status::success();
        }
        const QString path = m_directory.fileForWriting(*fileName);
        if (QFileInfo(path).isSymLink()) {
            out().Print(QStringLiteral("No mask file for object %1: %2 is a symbolic link").arg(index).arg(*fileName));
            return Status::success();
        }
        if (const int later = laterObjectSharingMaskFile(objects().directory, index); later >= 0)
            out().Print(QStringLiteral("Object %1 shares %2 with object %3, whose mask the file keeps")
                            .arg(index).arg(*fileName).arg(later));
        printMaskProgress(out(), QStringLiteral("Extracting mask"), header.Width);

        // Each file is staged now and replaced only when the whole walk has
        // succeeded, so a damaged container leaves every mask file as it was.
        auto file = std::make_unique<QSaveFile>(path);
        if (!file->open(QIODevice::WriteOnly) ||
            !writeMaskBitmap(*file, pixels, header.Width, header.Height, m_palette))
            return Status::fileError(path, QStringLiteral("cannot be written: %1").arg(file->errorString()));
        m_lastHeader = MaskBitmapHeader::forObject(header.Width, header.Height);
        m_staged.push_back(std::move(file));
        return Status::success();
    }

    Status commitFiles()
    {
        for (const auto &file : m_staged) {
            if (!file->commit())
                return Status::fileError(file->fileName(),
                                         QStringLiteral("cannot be written: %1").arg(file->errorString()));
        }
        return Status::success();
    }

    const MaskBitmapHeader &lastHeader() const { return m_lastHeader; }
    const BmpPalette &palette() const { return m_palette; }

private:
    const DashboardDirectory &m_directory;
    const BmpPalette m_palette = greyRampPalette();
    MaskBitmapHeader m_lastHeader;
    std::vector<std::unique_ptr<QSaveFile>> m_staged;
};

} // namespace

Status ExtractMasks(const QString &directory, PrintTarget &surface, ShpiTables &tables)
{
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    const DashboardDirectory dashboard(directory);
    MaskExtractor extractor(dashboard, surface);
    if (Status s = ContainerWalk::run(path, ContainerWalk::Reading, extractor); !s)
        return s;
    if (Status s = extractor.commitFiles(); !s)
        return s;
    extractor.commitTo(tables);
    tables.palette = extractor.palette();
    tables.maskHeader = extractor.lastHeader();
    return Status::success();
}

} // namespace tolvane
