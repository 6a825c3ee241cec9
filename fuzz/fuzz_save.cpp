// Save and compilation against a file that changed after the load: the
// dashboard was loaded from a valid container and its masks extracted, then
// SHPI.DAT was replaced by the input. A refused write leaves the file byte for
// byte as it was and the tables as they were; an accepted one keeps the
// file's length and reloads to the tables that were written.

#include "fuzzsupport.h"

#include "masks/compilemasks.h"
#include "store/loadshpi.h"
#include "store/saveshpidata.h"

using namespace tolvane;
using namespace tolvane::fuzz;

namespace {

struct Dashboard
{
    ShpiTables edited; // loaded, then one object moved and one dial field set
    QStringList files; // SHPI.DAT and the mask files
};

const Dashboard &dashboard()
{
    static const Dashboard d = [] {
        Dashboard d;
        putExtracted(testing_support::exampleContainer().build(), d.edited);
        d.edited.objects.headers.back().XPos = 321;
        d.edited.objects.headers.back().YPos = -321;
        d.edited.dialRecord.setField(DialField::RpmMax, 7777);
        d.files = scratchFiles();
        return d;
    }();
    return d;
}

// After a write was accepted: same length, and a reload gives what was written.
void checkWritten(const QByteArray &before, const ShpiTables &written)
{
    const QByteArray after = testing_support::readFile(scratchFile(QStringLiteral("SHPI.DAT")));
    FUZZ_CHECK(after.size() == before.size(), QStringLiteral("%1 -> %2 bytes").arg(before.size()).arg(after.size()));
    ShpiTables reloaded;
    Silent out;
    const Status s = LoadShpi(scratchDirectory(), out, reloaded);
    FUZZ_CHECK(s, s.message());
    FUZZ_CHECK(reloaded.objects.headers == written.objects.headers, QString());
    if (reloaded.hasDialRecord)
        FUZZ_CHECK(reloaded.dialRecord == written.dialRecord, QString());
}

template<typename Operation>
void tryWrite(Operation operation)
{
    const QByteArray before = testing_support::readFile(scratchFile(QStringLiteral("SHPI.DAT")));
    ShpiTables tables = dashboard().edited;
    Silent out;
    const Status s = operation(scratchDirectory(), out, tables, InPlace::Refused, CancelToken());
    if (s) {
        checkWritten(before, tables);
    } else {
        FUZZ_CHECK(!s.message().isEmpty(), QString());
        FUZZ_CHECK(testing_support::readFile(scratchFile(QStringLiteral("SHPI.DAT"))) == before, s.message());
        FUZZ_CHECK(tableBytes(tables) == tableBytes(dashboard().edited), s.message());
    }
    FUZZ_CHECK(scratchFiles() == dashboard().files, scratchFiles().join(QLatin1Char(' ')));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startQt(argc, argv);
    dashboard();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    put(scratchFile(QStringLiteral("SHPI.DAT")), inputBytes(data, size));
    tryWrite(SaveShpiData);
    tryWrite(CompileMasks);
    return 0;
}
