// Any bytes as SHPI.DAT: the load returns a status and never crashes, hangs
// or allocates for counts the file cannot hold. A refused load leaves the
// tables as they were; an accepted one saves back to the very same bytes.

#include "fuzzsupport.h"

#include "store/loadshpi.h"
#include "store/saveshpidata.h"

using namespace tolvane;
using namespace tolvane::fuzz;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString container = scratchFile(QStringLiteral("SHPI.DAT"));
    const QByteArray bytes = inputBytes(data, size);
    put(container, bytes);

    // Tables holding an earlier dashboard, as the editor's do.
    static const ShpiTables earlier = [] {
        ShpiTables t;
        put(scratchFile(QStringLiteral("SHPI.DAT")), testing_support::exampleContainer().build());
        Silent out;
        if (!LoadShpi(scratchDirectory(), out, t))
            failed("load the example container", QString(), __LINE__);
        return t;
    }();
    put(container, bytes);

    ShpiTables tables = earlier;
    Silent out;
    const Status loaded = LoadShpi(scratchDirectory(), out, tables);
    if (!loaded) {
        checkRefusal(loaded, QStringLiteral("SHPI.DAT"));
        FUZZ_CHECK(tableBytes(tables) == tableBytes(earlier), loaded.message());
        return 0;
    }

    const int count = tables.objects.count();
    FUZZ_CHECK(count >= 1 && int(tables.objects.directory.size()) == count, QString::number(count));
    for (const ObjectHeader &h : tables.objects.headers)
        FUZZ_CHECK(h.Width >= 1 && h.Height >= 1 && h.pixelCount() <= qint64(size), QString());

    // Saving what was loaded writes every record over itself.
    const Status saved = SaveShpiData(scratchDirectory(), out, tables);
    FUZZ_CHECK(saved, saved.message());
    FUZZ_CHECK(testing_support::readFile(container) == bytes, QStringLiteral("a save without edits changed bytes"));
    FUZZ_CHECK(scratchFiles() == QStringList(QStringLiteral("SHPI.DAT")), scratchFiles().join(QLatin1Char(' ')));
    return 0;
}
