#include "saveshpidata.h"
#include "dashboardlock.h"
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
        out().print(QStringLiteral("Saving data for object %1").arg(index));
    }
};

} // namespace

Status SaveShpiData(const QString &directory, PrintTarget &surface, ShpiTables &tables, InPlace inPlace)
{
    DashboardLock lock(directory);
    if (Status s = lock.acquire(); !s)
        return s;
    QString path;
    if (Status s = findContainer(directory, &path); !s)
        return s;
    SaveWriter writer(path, tables, surface);
    QByteArray fingerprint;
    Status written = ContainerWalk::run(path, ContainerWalk::Rewriting, writer, &fingerprint, inPlace);
    if (written) {
        writer.commitTo(tables);
        tables.fingerprint = fingerprint;
    }
    return written;
}

} // namespace tolvane
