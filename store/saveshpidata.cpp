#include "saveshpidata.h"
#include "loadshpi.h"
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
        out().Print(QStringLiteral("Saving data for object %1").arg(index));
    }
};

} // namespace

Status SaveShpiData(const QString &directory, PrintTarget &surface, ShpiTables &tables)
{
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    SaveWriter writer(path, tables, surface);
    if (Status s = ContainerWalk::run(path, ContainerWalk::Rewriting, writer); !s)
        return s;
    writer.commitTo(tables);
    return Status::success();
}

} // namespace tolvane
