#include "common/containerbuilder.h"
#include "common/filelinks.h"
#include "common/lockholder.h"
#include "common/recordingprinter.h"
#include "common/snapshots.h"

#include "demo/demodashboard.h"
#include "masks/compilemasks.h"
#include "masks/extractmasks.h"
#include "store/dashboardlock.h"
#include "store/listing.h"
#include "store/loadshpi.h"
#include "store/saveshpidata.h"
#include "store/windowsnames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tolvane;
using namespace testing_support;

class TestStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString container() const { return m_dir.filePath(QStringLiteral("SHPI.DAT")); }
    void put(const QByteArray &bytes) { QVERIFY(writeFile(container(), bytes)); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        const QDir dir(m_dir.path());
        for (const QFileInfo &entry : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                        QDir::NoDotAndDotDot)) {
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.filePath()).removeRecursively();
            else if (!QFile::remove(entry.filePath())) {
                // Windows removes no read-only file.
                QFile::setPermissions(entry.filePath(), QFile::ReadOwner | QFile::WriteOwner);
                QVERIFY2(QFile::remove(entry.filePath()), qPrintable(entry.filePath()));
            }
        }
    }

    // Names that Windows reads as a device, a stream or a pattern are no file
    // names there; look-alikes are.
    void windowsReadsDevicesStreamsAndPatterns()
    {
        for (const char *name : {"CON", "con ", "Nul.", "AUX.x", "prn", "COM1", "lpt9", "COM\xb9", "a:b", "a*", "a?b",
                                 "<a>", "a|b", "\"a", "a/b", "a\\b", "a\x1f"})
            QVERIFY2(windowsReadsOtherwise(QString::fromLatin1(name)), name);
        for (const char *name : {"0000", "CONS", "COM0", "LPT", "NULL", "xCON", "a.b", "..", " CON", "\xe9t\xe9"})
            QVERIFY2(!windowsReadsOtherwise(QString::fromLatin1(name)), name);
    }

    void walkVisitsTheDocumentedOffsets()
    {
        // Two objects: "0000" of 4 x 2 pixels, then one skipped chunk of 6
        // bytes in front of the second.
        ContainerBuilder c;
        TestObject first;
        first.directoryName = "0000";
        first.width = 4;
        first.height = 2;
        TestObject second;
        second.directoryName = "0001";
        second.width = 3;
        second.height = 1;
        second.xPos = 0x1234;
        second.skippedBefore = {SkippedChunk{"SKIP", 6}};
        c.objects = {first, second};
        const QByteArray bytes = c.build();
        QCOMPARE(bytes.mid(76, 10), QByteArray("DIALTAG-01"));
        QCOMPARE(bytes.mid(196, 4), QByteArray("SKIP"));
        QCOMPARE(int16At(bytes, 234 + 8), 0x1234);
        put(bytes);

        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        QCOMPARE(tables.objects.count(), 2);
        QCOMPARE(tables.objects.headers[1].XPos, 0x1234);
        QCOMPARE(tables.objects.headers[1].Width, 3);
        QVERIFY(tables.hasDialRecord);
        char dial[DialRecord::Size];
        tables.dialRecord.encode(dial);
        QCOMPARE(QByteArray(dial, DialRecord::Size), patternDialRecord());
    }

    void loadPrintsTheListing()
    {
        ContainerBuilder c;
        TestObject a;
        a.directoryName = "0000";
        a.width = 640;
        a.height = 200;
        TestObject b;
        b.directoryName = "0001";
        b.chunkName = "XXXX"; // the listing shows the directory's name
        b.width = 32;
        b.height = 48;
        b.skippedBefore = {SkippedChunk{"SKP1", 3}, SkippedChunk{"SKP2", 0}};
        c.objects = {a, b};
        c.headerSpare = 99; // the count is the one at offset 12
        put(c.build());

        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        QCOMPARE(out.lines, QStringList({"Number of objects: 2", "Object 0: 0000 Width: 640 Height: 200",
                                         "Object 1: 0001 Width: 32 Height: 48"}));
        QCOMPARE(nameText(tables.objects.directory[1].Name), QStringLiteral("0001"));
    }

    void objectChunksAreAnyFlagButMinusOne_data()
    {
        QTest::addColumn<int>("skipFlag");
        QTest::newRow("0") << 0;
        QTest::newRow("1") << 1;
        QTest::newRow("-2") << -2;
    }

    void objectChunksAreAnyFlagButMinusOne()
    {
        QFETCH(int, skipFlag);
        ContainerBuilder c = exampleContainer();
        c.objects[1].skipFlag = skipFlag;
        put(c.build());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        QCOMPARE(tables.objects.headers[1].XPos, 100);
        QCOMPARE(tables.objects.headers[1].YPos, -7);
    }

    void dialRecordFollowsTheChunkNamed0000()
    {
        // Not the first object, and chosen by the chunk's name, not the directory's.
        ContainerBuilder c = exampleContainer();
        c.objects[0].chunkName = "BACK";
        c.objects[1].chunkName = "0000";
        c.dialRecord = patternDialRecord(5);
        put(c.build());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        QVERIFY(tables.hasDialRecord);
        QCOMPARE(tables.dialRecord, DialRecord::decode(patternDialRecord(5).constData()));

        // A container without such a chunk keeps the previous record.
        c.objects[1].chunkName = "0001";
        put(c.build());
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        QVERIFY(!tables.hasDialRecord);
        QCOMPARE(tables.dialRecord, DialRecord::decode(patternDialRecord(5).constData()));
    }

    void dialFieldsAreTheHighHalvesOfTheirGroups()
    {
        QByteArray bytes(DialRecord::Size, '\0');
        bytes[32] = char(0xfe); // DialWidth = -2
        bytes[33] = char(0xff);
        bytes[116] = 7;         // TachoMaxY
        const DialRecord d = DialRecord::decode(bytes.constData());
        QCOMPARE(d.field(DialField::DialWidth), -2);
        QCOMPARE(d.field(DialField::TachoMaxY), 7);
        QCOMPARE(d.field(DialField::ColourX), 0);
    }

    void saveWithoutEditsChangesNoByte()
    {
        const QByteArray before = exampleContainer().build();
        put(before);
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        RecordingPrinter saveOut;
        QVERIFY(SaveShpiData(m_dir.path(), saveOut, tables));
        QCOMPARE(readFile(container()), before);
        QCOMPARE(saveOut.lines, QStringList({"Number of objects: 2", "Saving data for object 0",
                                             "Saving data for object 1"}));
    }

    void saveWritesOnlyTheEditedBytes()
    {
        const QByteArray before = exampleContainer().build();
        put(before);
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        tables.objects.headers[1].XPos = -300;
        tables.objects.headers[1].YPos = 0x7fff;
        tables.dialRecord.setField(DialField::RpmMax, 8000);
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));

        const QByteArray after = readFile(container());
        QCOMPARE(after.size(), before.size());
        QList<int> changed;
        for (int i = 0; i < before.size(); ++i) {
            if (before[i] != after[i])
                changed.append(i);
        }
        // Object 1's header sits after object 0 (16 + 12 + 40 + 120 bytes from
        // 40) and its two skipped chunks (22 + 16 bytes) and its chunk header.
        const int header1 = 40 + 16 + 12 + 40 + 120 + 22 + 16 + 16;
        const int rpmMax = 40 + 16 + 12 + 40 + 100;
        QList<int> expected = {rpmMax, rpmMax + 1};
        for (int i = header1 + 8; i < header1 + 12; ++i)
            expected.append(i);
        std::sort(expected.begin(), expected.end());
        QList<int> differing;
        for (int i : expected) {
            if (before[i] != after[i])
                differing.append(i);
        }
        QCOMPARE(changed, differing);
        QCOMPARE(int16At(after, header1 + 8), -300);
        QCOMPARE(int16At(after, rpmMax), 8000);
    }

    void saveWithoutDialChunkWritesNoDialData()
    {
        ContainerBuilder c = exampleContainer();
        c.objects[0].chunkName = "BACK";
        const QByteArray before = c.build();
        put(before);
        ShpiTables tables;
        tables.dialRecord.setField(DialField::MphMax, 123);
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QCOMPARE(readFile(container()), before);
    }

    void damagedContainersAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        ContainerBuilder zero = exampleContainer();
        zero.objectCount = 0;
        QTest::newRow("count 0") << zero.build() << "object count 0 is below 1";
        ContainerBuilder huge = exampleContainer();
        huge.objectCount = 0x7fffffff;
        QTest::newRow("count beyond the file") << huge.build()
                                               << "the header names 2147483647 objects, but the file holds only 2";
        ContainerBuilder more = exampleContainer();
        more.objectCount = 3;
        QTest::newRow("count above the objects")
            << more.build() << "the header names 3 objects, but the file holds only 2";
        ContainerBuilder cut = exampleContainer();
        cut.tail.clear();
        TestObject last;
        last.directoryName = "0002";
        last.width = 3;
        last.height = 2;
        cut.objects.push_back(last);
        const int lastBytes = 16 + 12 + 3 * 2; // chunk header, object header, pixels
        QTest::newRow("cut after an object") << cut.build().chopped(lastBytes)
                                             << "the header names 3 objects, but the file ends after object 1";
        ContainerBuilder narrow = exampleContainer();
        narrow.objects[1].width = 0;
        narrow.objects[1].pixels = "";
        QTest::newRow("width 0") << narrow.build() << "object 1 at byte";
        ContainerBuilder negative = exampleContainer();
        negative.objects[1].skippedBefore = {SkippedChunk{"NEG!", -4}};
        QTest::newRow("negative skip") << negative.build() << "negative length -4";
        ContainerBuilder past = exampleContainer();
        past.objects[1].skippedBefore = {SkippedChunk{"LONG", 0}};
        QByteArray pastBytes = past.build();
        // Make the skip claim far more than the file holds.
        const int skipAt = pastBytes.indexOf("LONG") + 12;
        pastBytes[skipAt + 3] = 0x10;
        QTest::newRow("skip past the end") << pastBytes << "runs past the end";
        QTest::newRow("empty") << QByteArray() << "ends inside the header";
    }

    void damagedContainersAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        ShpiTables tables;
        RecordingPrinter out;
        put(exampleContainer().build());
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        const ObjectTable loaded = tables.objects;

        put(bytes);
        const Status status = LoadShpi(m_dir.path(), out, tables);
        QVERIFY(!status);
        QVERIFY2(status.message().contains(expected), qPrintable(status.message()));
        QVERIFY(status.message().contains(QStringLiteral("SHPI.DAT")));
        QCOMPARE(tables.objects.headers, loaded.headers);
        QCOMPARE(readFile(container()), bytes);
    }

    void everyTruncationIsRefused_data()
    {
        QTest::addColumn<QByteArray>("full");
        // Past the first 512 bytes, loads are tried on every n-th prefix and
        // writes on every m-th (a multiple of n): the example has every
        // structure in a few hundred bytes, the demo is a real-sized file.
        QTest::addColumn<int>("loadStride");
        QTest::addColumn<int>("writeStride");
        ContainerBuilder c = exampleContainer();
        c.tail.clear();
        QTest::newRow("example") << c.build() << 1 << 1;
        QTemporaryDir demo;
        QVERIFY(writeDemoDashboard(demo.filePath(QStringLiteral("demo"))));
        QTest::newRow("demo") << readFile(demo.filePath(QStringLiteral("demo/SHPI.DAT"))) << 7 << 497;
    }

    void everyTruncationIsRefused()
    {
        QFETCH(QByteArray, full);
        QFETCH(int, loadStride);
        QFETCH(int, writeStride);
        put(full);
        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(ExtractMasks(m_dir.path(), out, tables));
        const QByteArray loaded = tableBytes(tables);
        QFile file(container());
        for (qsizetype length = full.size() - 1; length >= 0; --length) {
            if (length >= 512 && length % loadStride != 0)
                continue;
            QVERIFY(file.resize(length));
            const Status status = LoadShpi(m_dir.path(), out, tables);
            if (status || !status.message().contains(QStringLiteral("byte")) ||
                !status.message().contains(QStringLiteral("SHPI.DAT")) || tableBytes(tables) != loaded)
                QFAIL(qPrintable(QStringLiteral("prefix of %1 bytes: %2").arg(length).arg(status.message())));

            // Save, extraction and compilation over the cut file are refused
            // and change no file.
            if (length >= 512 && length % writeStride != 0)
                continue;
            const QStringList files = directorySnapshot(m_dir.path());
            QVERIFY(!SaveShpiData(m_dir.path(), out, tables));
            QVERIFY(!ExtractMasks(m_dir.path(), out, tables));
            QVERIFY(!CompileMasks(m_dir.path(), out, tables));
            QCOMPARE(tableBytes(tables), loaded);
            QCOMPARE(directorySnapshot(m_dir.path()), files);
            QCOMPARE(file.size(), length);
        }
    }

    void saveRefusesAFileThatNoLongerMatches()
    {
        put(exampleContainer().build());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        tables.objects.headers[1].XPos = 5;

        ContainerBuilder other = exampleContainer();
        other.objects[1].width = 24;
        other.objects[1].pixels.clear();
        put(other.build());
        Status status = SaveShpiData(m_dir.path(), out, tables);
        QVERIFY(!status);
        QVERIFY2(status.message().contains(QStringLiteral("object 1 is now 24 x 12")), qPrintable(status.message()));
        QCOMPARE(readFile(container()), other.build());

        ContainerBuilder fewer = exampleContainer();
        fewer.objects.pop_back();
        put(fewer.build());
        status = SaveShpiData(m_dir.path(), out, tables);
        QVERIFY(!status);
        QVERIFY(status.message().contains(QStringLiteral("holds 1 objects")));
        QCOMPARE(readFile(container()), fewer.build());
        QCOMPARE(tables.objects.headers[1].XPos, 5);
    }

    void containerIsFoundInAnyCaseAndNeverCreated()
    {
        ShpiTables tables;
        RecordingPrinter out;
        const Status missing = LoadShpi(m_dir.path(), out, tables);
        QVERIFY(!missing);
        QVERIFY(missing.message().contains(QStringLiteral("does not exist")));
        QVERIFY(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());

        const QByteArray bytes = exampleContainer().build();
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("shpi.dat")), bytes));
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        tables.objects.headers[0].XPos = 9;
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"shpi.dat"}));
    }

    void saveKeepsPermissionsAndLeavesNoTemporaryFile()
    {
        put(exampleContainer().build());
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                                 QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(container(), permissions));
        // (Windows tells no more than whether a file is read-only.)
        const auto before = QFile::permissions(container());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        tables.objects.headers[1].XPos = 1;
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QCOMPARE(QFile::permissions(container()), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"SHPI.DAT"}));
    }

    void everyChunkNamed0000KeepsItsOwnDialRecord()
    {
        // Edits go to the last record; save and compilation write every
        // other one back as it was read.
        ContainerBuilder c = exampleContainer();
        c.objects[1].chunkName = "0000";
        QByteArray bytes = c.build();
        const qsizetype first = bytes.indexOf(patternDialRecord());
        const qsizetype second = bytes.indexOf(patternDialRecord(), first + 1);
        QVERIFY(first > 0 && second > first);
        bytes.replace(first, DialRecord::Size, patternDialRecord(7));
        put(bytes);

        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(ExtractMasks(m_dir.path(), out, tables));
        QCOMPARE(tables.dialRecord, DialRecord::decode(patternDialRecord().constData()));
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QCOMPARE(readFile(container()), bytes);
        QVERIFY(CompileMasks(m_dir.path(), out, tables));
        QCOMPARE(readFile(container()), bytes);

        tables.dialRecord.setField(DialField::MphMax, 321);
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QByteArray edited(DialRecord::Size, '\0');
        tables.dialRecord.encode(edited.data());
        bytes.replace(second, DialRecord::Size, edited);
        QCOMPARE(readFile(container()), bytes);

        // A chunk named "0000" since the load has no record to write.
        ShpiTables oneRecord;
        put(exampleContainer().build());
        QVERIFY(LoadShpi(m_dir.path(), out, oneRecord));
        put(bytes);
        const Status refused = SaveShpiData(m_dir.path(), out, oneRecord);
        QVERIFY2(refused.message().contains("object 1"), qPrintable(refused.message()));
        QCOMPARE(readFile(container()), bytes);
    }

    void containerLinksAreReadButNeverWrittenThrough_data()
    {
        QTest::addColumn<bool>("outside"); // where the link points
        QTest::newRow("link out of the dashboard") << true;
        QTest::newRow("link inside the dashboard") << false;
    }

    void containerLinksAreReadButNeverWrittenThrough()
    {
        QFETCH(bool, outside);
        QTemporaryDir elsewhere;
        const QString target = outside ? elsewhere.filePath(QStringLiteral("victim.dat"))
                                       : m_dir.filePath(QStringLiteral("real.dat"));
        const QByteArray bytes = exampleContainer().build();
        QVERIFY(writeFile(target, bytes));
        REQUIRE_SYMBOLIC_LINK(target, container());

        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        tables.objects.headers[1].XPos = 1;
        const QByteArray before = tableBytes(tables);
        for (const Status &s : {SaveShpiData(m_dir.path(), out, tables), CompileMasks(m_dir.path(), out, tables)}) {
            QVERIFY(!s);
            QCOMPARE(s.message(), QDir::toNativeSeparators(container()) +
                                      QStringLiteral(": is a symbolic link, and a link is never written through"));
        }
        QCOMPARE(tableBytes(tables), before);
        QCOMPARE(readFile(target), bytes);
        QVERIFY(QFileInfo(container()).isSymLink());
    }

    void aHardLinkedContainerIsReplacedNotWrittenThrough()
    {
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath(QStringLiteral("other.dat"));
        const QByteArray bytes = exampleContainer().build();
        QVERIFY(writeFile(other, bytes));
        QVERIFY(makeHardLink(other, container()));

        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        tables.objects.headers[1].XPos = 1;
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QCOMPARE(readFile(other), bytes);
        QCOMPARE(int16At(readFile(container()), 40 + 16 + 12 + 40 + 120 + 22 + 16 + 16 + 8), 1);
    }

    void specialFilesAreRefusedWithoutWaiting_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << "directory";
#ifndef Q_OS_WIN // where no pipe or device lives in a directory
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("device") << "device";
#endif
    }

    void specialFilesAreRefusedWithoutWaiting()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("directory"))
            QVERIFY(QDir().mkdir(container()));
#ifndef Q_OS_WIN
        else if (kind == QLatin1String("pipe"))
            QVERIFY(::mkfifo(QFile::encodeName(container()).constData(), 0600) == 0);
        else
            QVERIFY(makeSymbolicLink(QStringLiteral("/dev/zero"), container()));
#endif

        ShpiTables tables;
        DiscardingPrinter out;
        for (const Status &s : {LoadShpi(m_dir.path(), out, tables), SaveShpiData(m_dir.path(), out, tables)}) {
            QVERIFY(!s);
            QCOMPARE(s.message(), QDir::toNativeSeparators(container()) +
                                      (kind == "directory" ? QStringLiteral(": is a directory")
                                                           : QStringLiteral(": is not a regular file")));
        }
        QCOMPARE(tables.objects.count(), 0);
    }

    // The fingerprint a load or a save records matches the file until another
    // program writes it, even in place with the same length.
    void theFingerprintTellsAnotherProgramsWrite()
    {
        put(exampleContainer().build());
        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(LoadShpi(m_dir.path(), out, tables));
        bool changed = true;
        QVERIFY(checkContainer(m_dir.path(), tables, &changed));
        QVERIFY(!changed);

        tables.objects.headers[1].XPos = 3;
        QVERIFY(SaveShpiData(m_dir.path(), out, tables));
        QVERIFY(checkContainer(m_dir.path(), tables, &changed));
        QVERIFY(!changed);

        // Object 0's XPos changed in place, its time of change put back.
        QFile file(container());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
        QVERIFY(file.seek(20 + 8 * 2 + 4 + 16 + 8));
        QVERIFY(file.write("\x09", 1) == 1);
        QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(checkContainer(m_dir.path(), tables, &changed));
        QVERIFY(changed);
    }

    // A file its owner marked read-only is never replaced, even by root.
    void aReadOnlyFileIsNeverWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("the container, saved") << "SHPI.DAT";
        QTest::newRow("a mask, extracted") << "SHPI0001.BMP";
    }

    void aReadOnlyFileIsNeverWritten()
    {
        QFETCH(QString, name);
        put(exampleContainer().build());
        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(ExtractMasks(m_dir.path(), out, tables));
        const QString path = m_dir.filePath(name);
        if (name != QLatin1String("SHPI.DAT"))
            QVERIFY(writeFile(path, "the user's own mask"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        tables.objects.headers[1].XPos = 1;
        const QStringList before = directorySnapshot(m_dir.path());

        const Status s = name == QLatin1String("SHPI.DAT") ? SaveShpiData(m_dir.path(), out, tables)
                                                           : ExtractMasks(m_dir.path(), out, tables);
        QCOMPARE(s.message(), QDir::toNativeSeparators(path) + QStringLiteral(": is read-only; it was not written"));
        QCOMPARE(directorySnapshot(m_dir.path()), before);
    }

    // Another program's lock keeps a writer out and is named; once its
    // holder is killed, it keeps nobody out.
    void aLockIsNamedAndDiesWithItsHolder()
    {
        put(exampleContainer().build());
        LockHolder holder(m_dir.path());
        QVERIFY(holder.held());
        DashboardLock lock(m_dir.path());
        QVERIFY(!lock.acquire(0));
        QVERIFY(lock.heldElsewhere());
        QCOMPARE(lock.holder(), QStringLiteral("%1 (process %2)").arg(LockHolder::program()).arg(holder.pid()));
        holder.kill();
        QVERIFY(lock.acquire(0));
    }

    // Deep in folders with spaces and accents, past the 260 characters that
    // were once a path's limit on Windows, a dashboard is read and written.
    void aDashboardDeepInALongPathIsWritten()
    {
        QString dir = m_dir.path();
        for (int i = 0; i < 8; ++i)
            dir += QStringLiteral("/Dossier numéro %1 du tableau de bord").arg(i);
        QVERIFY(dir.size() > 260 && QDir().mkpath(dir));
        QVERIFY(writeFile(dir + QStringLiteral("/SHPI.DAT"), exampleContainer().build()));
        ShpiTables tables;
        DiscardingPrinter out;
        QVERIFY(LoadShpi(dir, out, tables));
        tables.objects.headers[1].XPos = 1;
        QVERIFY(SaveShpiData(dir, out, tables));
        QVERIFY(ExtractMasks(dir, out, tables));
        QVERIFY(CompileMasks(dir, out, tables));
        ShpiTables reread;
        QVERIFY(LoadShpi(dir, out, reread));
        QCOMPARE(reread.objects.headers[1].XPos, 1);
        QCOMPARE(readFile(dir + QStringLiteral("/SHPI0001.BMP")).size(), 1078 + 28 * 12);
    }

    // Taking a dashboard's lock removes the staging files of its own files
    // that killed writes left; whatever a person may have named, even like
    // another program's temporary copy, stays, and so does what a living
    // write holds or what lies in a directory that is no dashboard.
    void theLockRemovesOnlyLeftoversOfKilledWrites_data()
    {
        QTest::addColumn<QString>("name");
        // "file", "read-only", "link", "held" by a living write, "alone" without SHPI.DAT
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        QTest::newRow("our staged container") << ".SHPI.DAT.tolvane~aB3xYz" << "file" << true;
        QTest::newRow("our staged mask") << ".SHPI0001.BMP.tolvane~Qw3rTy" << "file" << true;
        QTest::newRow("our staged mask, read-only") << ".SHPI0001.BMP.tolvane~Qw3rTy" << "read-only" << true;
        QTest::newRow("our staged artwork") << ".gear.bmp.tolvane~Qw3rTy" << "file" << true;
        QTest::newRow("our staged journal of renames") << "..tolvane.renames.tolvane~Qw3rTy" << "file" << true;
        QTest::newRow("a user's backup") << "SHPI.DAT.backup" << "file" << false;
        QTest::newRow("a dated copy") << "SHPI.DAT.241207" << "file" << false;
        QTest::newRow("like another program's copy") << "SHPI.DAT.aB3xYz" << "file" << false;
        QTest::newRow("seven letters") << ".SHPI.DAT.tolvane~aB3xYzz" << "file" << false;
        QTest::newRow("a link named like ours") << ".SHPI.DAT.tolvane~aB3xYz" << "link" << false;
        QTest::newRow("no file of a dashboard") << ".notes.txt.tolvane~aB3xYz" << "file" << false;
        QTest::newRow("held by a living write") << ".SHPI.DAT.tolvane~aB3xYz" << "held" << false;
        QTest::newRow("in a directory without SHPI.DAT") << ".SHPI.DAT.tolvane~aB3xYz" << "alone" << false;
    }

    void theLockRemovesOnlyLeftoversOfKilledWrites()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        const QByteArray container = exampleContainer().build();
        if (kind != QLatin1String("alone"))
            put(container);
        const QString beside = m_dir.filePath(name);
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("cut"));
        const bool link = kind == QLatin1String("link");
        QVERIFY(writeFile(link ? target : beside, container.left(300)));
        if (link)
            REQUIRE_SYMBOLIC_LINK(target, beside);
        // As a write killed before its file got the old one's access list
        // leaves it under wine.
        if (kind == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(beside, QFile::ReadOwner));
#ifdef Q_OS_WIN
        // A living write holds its staging file by having it open.
        QFile held(beside);
        QVERIFY(kind != QLatin1String("held") || held.open(QIODevice::ReadOnly));
#else
        const int held = ::open(QFile::encodeName(beside).constData(), O_RDONLY);
        QVERIFY(held >= 0 && (kind != QLatin1String("held") || ::flock(held, LOCK_EX) == 0));
        const auto close = qScopeGuard([held] { ::close(held); });
#endif

        DashboardLock lock(m_dir.path());
        QVERIFY(lock.acquire());
        QCOMPARE(!QFileInfo(beside).isSymLink() && !QFileInfo::exists(beside), removed);
        QCOMPARE(readFile(link ? target : beside), removed ? QByteArray() : container.left(300));
    }
};

// The demo dashboard's pictures need fonts, and so a QGuiApplication.
QTEST_MAIN(TestStore)
#include "test_store.moc"
