// What a write meets on Windows: a file the game or a bitmap editor holds
// open, and the access control list a replaced file must keep.

#include "common/accesslist.h"
#include "common/containerbuilder.h"
#include "common/snapshots.h"

#include "masks/compilemasks.h"
#include "masks/extractmasks.h"
#include "store/loadshpi.h"
#include "store/printtarget.h"
#include "store/safewrite.h"
#include "store/saveshpidata.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace tolvane;
using namespace testing_support;

namespace {

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

enum class Operation { Save, Compile, Extract };

Status run(Operation operation, const QString &directory)
{
    ShpiTables tables;
    DiscardingPrinter out;
    if (const Status loaded = LoadShpi(directory, out, tables); !loaded)
        return loaded;
    tables.objects.headers[1].XPos = 3;
    switch (operation) {
    case Operation::Save:
        return SaveShpiData(directory, out, tables);
    case Operation::Compile:
        return CompileMasks(directory, out, tables);
    case Operation::Extract:
        return ExtractMasks(directory, out, tables);
    }
    return Status::success();
}

} // namespace

class TestFaultsWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(writeFile(path(QStringLiteral("SHPI.DAT")), exampleContainer().build()));
        QVERIFY(run(Operation::Extract, m_dir->path()));
    }

    // The game reads SHPI.DAT, a bitmap editor has a mask open: the write
    // names the file and what to do, and changes nothing, not even the files
    // it could have written.
    void aFileHeldOpenElsewhereIsNamedAndLeftAlone_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("held");
        QTest::newRow("save") << Operation::Save << "SHPI.DAT";
        QTest::newRow("compile") << Operation::Compile << "SHPI.DAT";
        QTest::newRow("extract") << Operation::Extract << "SHPI0000.BMP";
    }

    void aFileHeldOpenElsewhereIsNamedAndLeftAlone()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, held);
        const QStringList before = directorySnapshot(m_dir->path());
        const HANDLE other = CreateFileW(native(path(held)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(other != INVALID_HANDLE_VALUE);
        const Status s = run(operation, m_dir->path());
        CloseHandle(other);
        QVERIFY(!s);
        QVERIFY2(s.message().startsWith(QDir::toNativeSeparators(path(held)) + QLatin1Char(':')) &&
                     s.message().contains(QStringLiteral("open in another program")),
                 qPrintable(s.message()));
        QCOMPARE(directorySnapshot(m_dir->path()), before);
    }

    // A replaced file keeps the access list its owner gave it.
    void aRewriteKeepsTheAccessList_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("name");
        QTest::newRow("save") << Operation::Save << "SHPI.DAT";
        QTest::newRow("extract") << Operation::Extract << "SHPI0001.BMP";
    }

    void aRewriteKeepsTheAccessList()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, name);
        if (operation == Operation::Extract)
            QVERIFY(writeFile(path(name), "a mask edited badly"));
        // The owner may do anything, everyone else only read.
        QVERIFY(setAccessList(path(name), QStringLiteral("D:P(A;;FA;;;OW)(A;;FR;;;WD)")));
        const QString list = accessList(path(name));
        QVERIFY(!list.isEmpty());
        const QByteArray old = readFile(path(name));
        QVERIFY(run(operation, m_dir->path()));
        QVERIFY(readFile(path(name)) != old);
        QCOMPARE(accessList(path(name)), list);
    }

    // A staging file has its file's access list before its first byte, so
    // no one who may not read the file reads the new content.
    void aStagingFileIsAsPrivateAsItsFile()
    {
        QVERIFY(setAccessList(path(QStringLiteral("SHPI.DAT")), QStringLiteral("D:P(A;;FA;;;OW)")));
        const QString list = accessList(path(QStringLiteral("SHPI.DAT")));
        SafeWrite write(m_dir->path(), QStringLiteral("SHPI.DAT"));
        QVERIFY(write.open());
        QVERIFY(!write.stagingName().isEmpty());
        QCOMPARE(accessList(path(write.stagingName())), list);
    }
};

QTEST_MAIN(TestFaultsWindows)
#include "test_faults_windows.moc"
