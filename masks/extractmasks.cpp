#include "extractmasks.h"
#include "maskbitmap.h"
#include "maskprogress.h"
#include "store/dashboarddirectory.h"
#include "store/lockedwalk.h"
#include "store/safewritebatch.h"
#include "store/tablereader.h"

#include <QFileInfo>

#include <memory>

namespace tolvane {

namespace {

class MaskExtractor : public TableReader
{
public:
    MaskExtractor(const QString &directory, InPlace inPlace, PrintTarget &out)
        : TableReader(out), m_directory(directory), m_handle(std::make_shared<DirectoryHandle>(m_directory.path())),
          m_batch(m_handle), m_inPlace(inPlace) {}

    Status header(const ShpiHeader &header) override
    {
        // Opened under the lock, before the first mask file is staged in it.
        if (Status s = m_handle->open(); !s)
            return s;
        return TableReader::header(header);
    }

    ContainerWalk::PixelAction pixelAction() const override { return ContainerWalk::PixelAction::Read; }

    Status pixels(int index, const ObjectHeader &header, QByteArray &pixels) override
    {
        const auto fileName = maskFileName(objects().directory[index].Name);
        if (!fileName) {
            out().print(QStringLiteral("No mask file for object %1: its name is no plain file name").arg(index));
            return Status::success();
        }
        const QString path = m_directory.filePath(*fileName);
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
        return file.finish();
    }

    /// Puts every staged mask file in place together.
    Status commitFiles() { return m_batch.commit(); }

private:
    const DashboardDirectory m_directory;
    const std::shared_ptr<DirectoryHandle> m_handle;
    SafeWriteBatch m_batch;
    const InPlace m_inPlace;
    const BmpPalette m_palette = greyRampPalette();
};

} // namespace

Status ExtractMasks(const QString &directory, PrintTarget &surface, ShpiTables &tables, InPlace inPlace,
                    const CancelToken &cancel)
{
    // SHPI.DAT is only read; the mask files are put in place once it has all been.
    return walkLocked(
        directory, ContainerWalk::Reading, InPlace::Refused, tables, cancel,
        [&](const QString &) { return MaskExtractor(directory, inPlace, surface); },
        [&](MaskExtractor &extractor, const Status &) {
            Status committed = extractor.commitFiles();
            if (committed)
                extractor.commitTo(tables);
            return committed;
        });
}

} // namespace tolvane
