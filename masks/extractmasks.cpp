#include "extractmasks.h"
#include "maskbitmap.h"
#include "maskprogress.h"
#include "store/dashboarddirectory.h"
#include "store/dashboardlock.h"
#include "store/loadshpi.h"
#include "store/safewritebatch.h"
#include "store/tablereader.h"

#include <QFileInfo>

#include <memory>

namespace tolvane {

namespace {

class MaskExtractor : public TableReader
{
public:
    MaskExtractor(const DashboardDirectory &directory, std::shared_ptr<const DirectoryHandle> handle,
                  InPlace inPlace, PrintTarget &out)
        : TableReader(out), m_directory(directory), m_batch(std::move(handle)), m_inPlace(inPlace) {}

    ContainerWalk::PixelAction pixelAction() const override { return ContainerWalk::PixelAction::Read; }

    Status pixels(int index, const ObjectHeader &header, QByteArray &pixels) override
    {
        const auto fileName = maskFileName(objects().directory[index].Name);
        if (!fileName) {
            out().print(QStringLiteral("No mask file for object %1: its name is no plain file name").arg(index));
            return Status::success();
        }
        const QString path = m_directory.fileForWriting(*fileName);
        if (QFileInfo(path).isSymLink()) {
            out().print(QStringLiteral("No mask file for object %1: %2 is a symbolic link")
                            .arg(QString::number(index), *fileName));
            return Status::success();
        }
        if (const int later = laterObjectSharingMaskFile(objects().directory, index); later >= 0)
            out().print(QStringLiteral("Object %1 shares %2 with object %3, whose mask the file keeps")
                            .arg(QString::number(index), *fileName, QString::number(later)));
        printMaskProgress(out(), QStringLiteral("Extracting mask"), header.Width);

        // Each file is staged now and replaced only when the whole walk has
        // succeeded, so a damaged container leaves every mask file as it was.
        // A staged file is closed at once: a thousand objects would otherwise
        // hold a thousand descriptors.
        SafeWrite &file = m_batch.add(QFileInfo(path).fileName());
        if (Status s = file.open(m_inPlace); !s)
            return s;
        if (!writeMaskBitmap(file.device(), pixels, header.Width, header.Height, m_palette))
            return Status::fileError(path, QStringLiteral("cannot be written: %1").arg(file.device().errorString()));
        if (Status s = file.finish(); !s)
            return s;
        m_lastHeader = MaskBitmapHeader::forObject(header.Width, header.Height);
        return Status::success();
    }

    /// Puts every staged mask file in place together.
    Status commitFiles() { return m_batch.commit(); }

    const MaskBitmapHeader &lastHeader() const { return m_lastHeader; }
    const BmpPalette &palette() const { return m_palette; }

private:
    const DashboardDirectory &m_directory;
    SafeWriteBatch m_batch;
    const InPlace m_inPlace;
    const BmpPalette m_palette = greyRampPalette();
    MaskBitmapHeader m_lastHeader;
};

} // namespace

Status ExtractMasks(const QString &directory, PrintTarget &surface, ShpiTables &tables, InPlace inPlace)
{
    DashboardLock lock(directory);
    if (Status s = lock.acquire(); !s)
        return s;
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    const DashboardDirectory dashboard(directory);
    auto handle = std::make_shared<DirectoryHandle>(dashboard.path());
    if (Status s = handle->open(); !s)
        return s;
    MaskExtractor extractor(dashboard, handle, inPlace, surface);
    QByteArray fingerprint;
    if (Status s = ContainerWalk::run(path, ContainerWalk::Reading, extractor, &fingerprint); !s)
        return s;
    Status committed = extractor.commitFiles();
    if (!committed)
        return committed;
    extractor.commitTo(tables);
    tables.fingerprint = fingerprint;
    tables.palette = extractor.palette();
    tables.maskHeader = extractor.lastHeader();
    return committed;
}

} // namespace tolvane
