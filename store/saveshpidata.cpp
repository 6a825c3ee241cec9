#include "saveshpidata.h"
#include "lockedwalk.h"
#include "tablewriter.h"

namespace tolvane {

namespace {

class SaveWriter : public TableWriter
{
public:
    using TableWriter::TableWriter;

protected:
    void objectWritten(int index) override
    {
        out().print(QStringLiteral("Saving data for object %1").arg(index));
    }
};

} // namespace

Status SaveShpiData(const QString &directory, PrintTarget &surface, ShpiTables &tables, InPlace inPlace,
                    const CancelToken &cancel)
{
    return walkLocked(
        directory, ContainerWalk::Rewriting, inPlace, tables, cancel,
        [&](const QString &path) { return SaveWriter(path, tables, surface); },
        [&](SaveWriter &writer, const Status &written) {
            writer.commitTo(tables);
            return written;
        });
}

} // namespace tolvane
