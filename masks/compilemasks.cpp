#include "compilemasks.h"
#include "maskbitmap.h"
#include "maskprogress.h"
#include "store/dashboarddirectory.h"
#include "store/listing.h"
#include "store/lockedwalk.h"
#include "store/tablewriter.h"

namespace tolvane {

namespace {

class MaskCompiler : public TableWriter
{
public:
    MaskCompiler(const QString &containerPath, const QString &directory, const ShpiTables &tables, PrintTarget &out)
        : TableWriter(containerPath, tables, out), m_directory(directory) {}

    ContainerWalk::PixelAction pixelAction() const override { return ContainerWalk::PixelAction::Read; }

    Status pixels(int index, const ObjectHeader &header, QByteArray &pixels) override
    {
        const auto fileName = maskFileName(directoryRead()[index].Name);
        if (!fileName) {
            out().print(QStringLiteral("Object %1 keeps its mask: its name is no plain file name").arg(index));
            return Status::success();
        }
        if (const int later = laterObjectSharingMaskFile(directoryRead(), index); later >= 0) {
            out().print(QStringLiteral("Object %1 keeps its mask: %2 holds the mask of object %3")
                            .arg(QString::number(index), *fileName, QString::number(later)));
            return Status::success();
        }
        printMaskProgress(out(), QStringLiteral("Inserting mask"), header.Width);

        MaskPixels mask;
        if (Status s = readMaskBitmap(m_directory.filePath(*fileName), QSize(header.Width, header.Height), &mask); !s)
            return s;
        pixels = std::move(mask.levels);
        return Status::success();
    }

protected:
    void objectWritten(int index) override
    {
        out().print(objectLine(index, directoryRead()[index], tables().objects.headers[index]));
    }

private:
    const DashboardDirectory m_directory;
};

} // namespace

Status CompileMasks(const QString &directory, PrintTarget &surface, ShpiTables &tables, InPlace inPlace,
                    const CancelToken &cancel)
{
    return walkLocked(
        directory, ContainerWalk::Rewriting, inPlace, tables, cancel,
        [&](const QString &path) { return MaskCompiler(path, directory, tables, surface); },
        [&](MaskCompiler &compiler, const Status &written) {
            compiler.commitTo(tables);
            return written;
        });
}

} // namespace tolvane
