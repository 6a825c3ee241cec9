#include "common/bitmapbytes.h"
#include "common/containerbuilder.h"
#include "common/filelinks.h"
#include "common/objectfixture.h"
#include "common/programrun.h"
#include "common/recordingprinter.h"

#include "canvas/drawobject.h"
#include "masks/compilemasks.h"
#include "masks/extractmasks.h"
#include "store/loadshpi.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tolvane;
using namespace testing_support;

namespace {

TestObject object(const QByteArray &name, int width, int height)
{
    TestObject o;
    o.directoryName = name;
    o.width = int16_t(width);
    o.height = int16_t(height);
    return o;
}

// Bottom-up 8-bit rows of @p width x @p height, all index 0.
QByteArray blackRows(int width, int height, int bitCount = 8)
{
    return QByteArray(qsizetype((width * bitCount + 31) / 32 * 4) * height, '\0');
}

// Masks whose pixel data ends early or passes the picture's edge, with what
// the refusal says, for an object of @p width x @p height.
void addDamagedMaskRows(int width, int height)
{
    QTest::addColumn<QByteArray>("mask");
    QTest::addColumn<QString>("expected"); // empty: the mask is sound
    const QByteArray grey = greyColours(256);
    const QByteArray plain = handMadeBitmap(width, height, 8, 0, grey, blackRows(width, height));
    QTest::newRow("8-bit cut by a byte") << plain.chopped(1) << "is cut short";
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(Qt::white);
    QTest::newRow("24-bit cut by a row") << bitmapBytes(picture).chopped((width * 3 + 3) / 4 * 4) << "is cut short";
    QByteArray offsetPastTheEnd = bitmapBytes(picture);
    offsetPastTheEnd.replace(10, 4, QByteArray("\x88\x13\0\0", 4)); // 5000
    QTest::newRow("pixels past the end") << offsetPastTheEnd << "says its pixels start at byte 5000";

    const QByteArray endOfBitmap("\0\1", 2);
    QByteArray runs; // one run of index 255 a row, each ended
    for (int y = 0; y < height; ++y)
        runs.append(char(width)).append(char(255)).append('\0').append('\0');
    QTest::newRow("RLE8 without end of bitmap")
        << handMadeBitmap(width, height, 8, 1, grey, runs) << "ends before its end-of-bitmap code";
    QTest::newRow("RLE8 run past the row")
        << handMadeBitmap(width, height, 8, 1, grey, char(width + 1) + runs.mid(1) + endOfBitmap)
        << "passes the edge of the picture";
    QTest::newRow("RLE8 delta past the top")
        << handMadeBitmap(width, height, 8, 1, grey, QByteArray("\0\2\0", 3) + char(height + 1) + endOfBitmap)
        << "passes the edge of the picture";
    QTest::newRow("RLE4 cut in an absolute run")
        << handMadeBitmap(width, height, 4, 2, greyColours(16), QByteArray("\0\5\xff", 3))
        << "ends before its end-of-bitmap code";
    // A delta up two rows and an early end of line skip pixels: they are 0.
    QTest::newRow("RLE8 skipping pixels")
        << handMadeBitmap(width, height, 8, 1, grey, QByteArray("\1\xff\0\0\0\2\2\1\1\xff\0\1", 12))
        << "";
    QTest::newRow("RLE4 skipping pixels")
        << handMadeBitmap(width, height, 4, 2, greyColours(16), QByteArray("\1\xf0\0\0\0\2\2\1\1\xf0\0\1", 12))
        << "";
}

// The mask file extraction writes for @p width x @p height, built here byte
// by byte: its headers, the grey ramp, then @p rows as they are.
QByteArray extractedMask(int width, int height, const QByteArray &rows)
{
    QByteArray mask = handMadeBitmap(width, height, 8, 0, greyColours(256), rows);
    mask.replace(38, 16, QByteArray(16, '\0')); // no resolution, no colour count
    return mask;
}

struct CliRun
{
    int exitCode = -1;
    QString err;
};

// tolvane-cli with the heap filled with @p fill: glibc fills every fresh
// block when asked (MALLOC_PERTURB_, with its per-thread cache, which skips
// that, turned off), AddressSanitizer by its own options.
CliRun cliOnFilledHeap(const QStringList &arguments, int fill)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MALLOC_PERTURB_", QString::number(fill ^ 0xff));
    env.insert("GLIBC_TUNABLES", "glibc.malloc.tcache_count=0");
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") +
                                   QString(":malloc_fill_byte=%1:max_malloc_fill_size=16777216").arg(fill));
    QProcess p;
    p.setProcessEnvironment(env);
    const ProgramRun r = runToEnd(p, QStringLiteral(TOLVANE_CLI), arguments);
    return {r.exitCode, QString::fromUtf8(r.err)};
}

int32_t int32At(const QByteArray &b, int offset)
{
    return int32_t(uint32_t(uint8_t(b[offset])) | uint32_t(uint8_t(b[offset + 1])) << 8 |
                   uint32_t(uint8_t(b[offset + 2])) << 16 | uint32_t(uint8_t(b[offset + 3])) << 24);
}

} // namespace

class TestMasks : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList files() const { return QDir(m_dir->path()).entryList(QDir::Files, QDir::Name); }

    void put(const ContainerBuilder &c) { QVERIFY(writeFile(path("SHPI.DAT"), c.build())); }

    ShpiTables load()
    {
        ShpiTables tables;
        RecordingPrinter out;
        const Status s = LoadShpi(m_dir->path(), out, tables);
        if (!s)
            qWarning() << s.message();
        return tables;
    }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void extractionWritesTheDocumentedBitmap()
    {
        ContainerBuilder c;
        c.objects = {object("0000", 25, 12)};
        put(c);
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QCOMPARE(out.lines, QStringList({"Number of objects: 1", "Object 0: 0000 Width: 25 Height: 12",
                                         "Extracting mask.."}));

        const QByteArray file = readFile(path("SHPI0000.BMP"));
        QCOMPARE(file.size(), 1414);
        QCOMPARE(file.left(2), QByteArray("BM"));
        QCOMPARE(int32At(file, 2), 1414);
        QCOMPARE(int32At(file, 10), 1078);
        QCOMPARE(int32At(file, 14), 40);
        QCOMPARE(int32At(file, 18), 25);
        QCOMPARE(int32At(file, 22), 12);
        QCOMPARE(int16At(file, 26), 1);
        QCOMPARE(int16At(file, 28), 8);
        QCOMPARE(int32At(file, 30), 0);
        QCOMPARE(int32At(file, 34), 28 * 12);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(file.mid(54 + 4 * i, 4), QByteArray(3, char(i)) + QByteArray(1, '\0'));
        // Rows in stored order, each padded with three zeros.
        const QByteArray pixels = pixelPattern(c.objects[0]);
        for (int y = 0; y < 12; ++y) {
            QCOMPARE(file.mid(1078 + 28 * y, 25), pixels.mid(25 * y, 25));
            QCOMPARE(file.mid(1078 + 28 * y + 25, 3), QByteArray(3, '\0'));
        }
    }

    void paddingAndDots_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<QString>("line");
        QTest::newRow("1") << 1 << 1078 + 4 * 3 << "Extracting mask";
        QTest::newRow("9") << 9 << 1078 + 12 * 3 << "Extracting mask";
        QTest::newRow("10") << 10 << 1078 + 12 * 3 << "Extracting mask.";
        QTest::newRow("640") << 640 << 1078 + 640 * 3 << "Extracting mask" + QString(64, '.');
    }

    void paddingAndDots()
    {
        QFETCH(int, width);
        QFETCH(int, fileSize);
        QFETCH(QString, line);
        ContainerBuilder c;
        c.objects = {object("0000", width, 3)};
        put(c);
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QCOMPARE(out.lines.last(), line);
        QCOMPARE(readFile(path("SHPI0000.BMP")).size(), fileSize);
    }

    void extractionReloadsTablesAndOnlyReadsTheContainer()
    {
        ContainerBuilder c = exampleContainer();
        c.objects.push_back(object("0001", 2, 2)); // same name: the later object's file remains
        put(c);
        const QByteArray before = readFile(path("SHPI.DAT"));
        ShpiTables tables = load();
        tables.objects.headers[1].XPos = 1;
        tables.dialRecord.setField(DialField::MphMax, 1);

        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QCOMPARE(tables.objects.headers[1].XPos, 100);
        QCOMPARE(tables.dialRecord, DialRecord::decode(patternDialRecord().constData()));
        QCOMPARE(files(), QStringList({"SHPI.DAT", "SHPI0000.BMP", "SHPI0001.BMP"}));
        QCOMPARE(readFile(path("SHPI0001.BMP")).size(), 1078 + 4 * 2);
        QCOMPARE(readFile(path("SHPI.DAT")), before);

        const QByteArray first = readFile(path("SHPI0000.BMP"));
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QCOMPARE(readFile(path("SHPI0000.BMP")), first);
    }

    void damagedContainerWritesNoMaskFile()
    {
        ContainerBuilder c = exampleContainer();
        QByteArray bytes = c.build();
        bytes.chop(30); // inside the second object's pixels
        QVERIFY(writeFile(path("SHPI.DAT"), bytes));
        ShpiTables tables;
        RecordingPrinter out;
        const Status s = ExtractMasks(m_dir->path(), out, tables);
        QVERIFY(!s);
        QVERIFY2(s.message().contains("object 1"), qPrintable(s.message()));
        QCOMPARE(files(), QStringList({"SHPI.DAT"}));
        QCOMPARE(tables.objects.count(), 0);
    }

    void hostileNamesAndLinksStayInside()
    {
        QTemporaryDir outside;
        const QString victim = outside.filePath("victim.BMP");
        QVERIFY(writeFile(victim, "precious"));
        ContainerBuilder c;
        c.objects = {object("0000", 4, 1), object("../x", 4, 1), object(QByteArray("a\0b", 4), 4, 1),
                     object("LINK", 4, 1)};
        put(c);
        REQUIRE_SYMBOLIC_LINK(victim, path("SHPILINK.BMP"));

        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QVERIFY(out.lines.contains("No mask file for object 1: its name is no plain file name"));
        QVERIFY(out.lines.contains("No mask file for object 2: its name is no plain file name"));
        QVERIFY(out.lines.contains("No mask file for object 3: SHPILINK.BMP is a symbolic link"));
        QCOMPARE(readFile(victim), QByteArray("precious"));
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files), QStringList({"victim.BMP"}));
        QCOMPARE(QDir(m_dir->path() + "/..").entryList(QStringList("x*.BMP"), QDir::Files), QStringList());

        // Compilation leaves such objects' pixels as they are.
        const QByteArray before = readFile(path("SHPI.DAT"));
        QVERIFY(QFile::remove(path("SHPILINK.BMP")));
        QVERIFY(QFile::copy(path("SHPI0000.BMP"), path("SHPILINK.BMP")));
        RecordingPrinter compileOut;
        QVERIFY(CompileMasks(m_dir->path(), compileOut, tables));
        QVERIFY(compileOut.lines.contains("Object 1 keeps its mask: its name is no plain file name"));
        QCOMPARE(readFile(path("SHPI.DAT")), before);
    }

    void objectNamesNeverLeadOutside_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("file"); // the mask file written, or none
        QTest::newRow("backslash") << QByteArray("a\\bc") << "";
        QTest::newRow("slash at the end") << QByteArray("abc/") << "";
        QTest::newRow("dot dot slash") << QByteArray("../a") << "";
        QTest::newRow("dot dot backslash") << QByteArray("..\\a") << "";
        QTest::newRow("dot dot NUL NUL") << QByteArray("..\0\0", 4) << "";
        QTest::newRow("all NUL") << QByteArray(4, '\0') << "";
        QTest::newRow("line feed") << QByteArray("ab\ncd", 4) << "";
        QTest::newRow("escape") << QByteArray("\x1b[2J", 4) << "";
        QTest::newRow("delete") << QByteArray("ab\x7f" "c", 4) << "";
        QTest::newRow("0x1f") << QByteArray("\x1f" "abc", 4) << "";
        // Dots and bytes above 127 make plain names inside the directory.
        QTest::newRow("four dots") << QByteArray("....") << "SHPI.....BMP";
        QTest::newRow("dot dot letters") << QByteArray("..ab") << "SHPI..ab.BMP";
        QTest::newRow("Latin-1") << QByteArray("\xe9t\xe9" "0", 4) << QString::fromLatin1("SHPI\xe9t\xe9" "0.BMP");
    }

    void objectNamesNeverLeadOutside()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, file);
        // The dashboard one level down, so that a file written beside it shows.
        const QString dashboard = path("dash");
        QVERIFY(QDir().mkdir(dashboard));
        ContainerBuilder c;
        c.objects = {object("0000", 4, 1), object(name, 12, 2)};
        QVERIFY(writeFile(dashboard + "/SHPI.DAT", c.build()));

        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(dashboard, out, tables));
        QCOMPARE(files(), QStringList());
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"dash"}));
        const QStringList written = QDir(dashboard).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        if (file.isEmpty()) {
            QVERIFY(out.lines.contains("No mask file for object 1: its name is no plain file name"));
            QCOMPARE(written, QStringList({"SHPI.DAT", "SHPI0000.BMP"}));
        } else {
            QCOMPARE(written.size(), 3);
            QVERIFY2(written.contains(file), qPrintable(written.join(' ')));
            QCOMPARE(readFile(dashboard + '/' + file).size(), 1078 + 12 * 2);
        }

        // Compilation reads the same name back, or keeps the pixels.
        const QByteArray before = readFile(dashboard + "/SHPI.DAT");
        RecordingPrinter compileOut;
        QVERIFY(CompileMasks(dashboard, compileOut, tables));
        QCOMPARE(compileOut.lines.contains("Object 1 keeps its mask: its name is no plain file name"), file.isEmpty());
        QCOMPARE(readFile(dashboard + "/SHPI.DAT"), before);
    }

    void extractionReplacesAHardLinkedMask()
    {
        // A hard link shares the outside file's bytes: writing into it would
        // change that file. The mask is replaced instead.
        QTemporaryDir outside;
        const QString victim = outside.filePath("victim.BMP");
        QVERIFY(writeFile(victim, "precious"));
        put(exampleContainer());
        QVERIFY(makeHardLink(victim, path("SHPI0001.BMP")));
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QCOMPARE(readFile(victim), QByteArray("precious"));
        QCOMPARE(readFile(path("SHPI0001.BMP")).size(), 1078 + 28 * 12);
    }

    void compileRefusesAMaskThatIsNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << "directory";
#ifndef Q_OS_WIN // where no pipe or device lives in a directory
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("device") << "device";
#endif
    }

    void compileRefusesAMaskThatIsNoFile()
    {
        QFETCH(QString, kind);
        put(exampleContainer());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        const QString mask = path("SHPI0001.BMP");
        QVERIFY(QFile::remove(mask));
        if (kind == "directory")
            QVERIFY(QDir().mkdir(mask));
#ifndef Q_OS_WIN
        else if (kind == "pipe")
            QVERIFY(::mkfifo(QFile::encodeName(mask).constData(), 0600) == 0);
        else
            QVERIFY(makeSymbolicLink("/dev/zero", mask));
#endif
        const QByteArray before = readFile(path("SHPI.DAT"));

        // Reading a pipe would wait for a writer, /dev/zero would never end.
        const Status s = CompileMasks(m_dir->path(), out, tables);
        QVERIFY(!s);
        QCOMPARE(s.message(), QDir::toNativeSeparators(mask) +
                                  (kind == "directory" ? ": is a directory" : ": is not a regular file"));
        QCOMPARE(readFile(path("SHPI.DAT")), before);
    }

    void aMaskChangedDuringCompilationIsReadAsCheckedOrRefused_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::newRow("grows to 100 GiB and back") << "more than any BMP of 25 x 12 pixels takes";
#ifndef Q_OS_WIN
        QTest::newRow("becomes a pipe and back") << "is not a regular file";
#endif
    }

    void aMaskChangedDuringCompilationIsReadAsCheckedOrRefused()
    {
        // Another program changes the mask over and over while compilations
        // run: each reads the file it checked, no further than it checked,
        // or refuses; none waits for a pipe's writer or reads 100 GiB.
        QFETCH(QString, refusal);
        const bool grows = refusal.startsWith("more");
        put(exampleContainer());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        const QByteArray before = readFile(path("SHPI.DAT"));
        QFile file(path("SHPI0001.BMP"));
        QVERIFY(file.open(QIODevice::ReadWrite));
#ifndef Q_OS_WIN
        const QByteArray mask = QFile::encodeName(file.fileName());
        QTemporaryDir aside;
        const QByteArray regular = QFile::encodeName(aside.filePath("regular")),
                         pipe = QFile::encodeName(aside.filePath("pipe")),
                         staged = QFile::encodeName(aside.filePath("staged"));
        QVERIFY(::link(mask.constData(), regular.constData()) == 0 && ::mkfifo(pipe.constData(), 0600) == 0);
#endif

        std::atomic<bool> stop = false;
        std::thread changer([&] {
            const qint64 length = 1078 + 28 * 12;
            while (!stop) {
                if (grows) {
                    (void)file.resize(qint64(100) << 30);
                    (void)file.resize(length);
                } else {
#ifndef Q_OS_WIN
                    for (const QByteArray &next : {pipe, regular})
                        (void)(::link(next.constData(), staged.constData()) == 0 &&
                               ::rename(staged.constData(), mask.constData()) == 0);
#endif
                }
            }
        });
        QStringList unexpected;
        // Reading the size twice, once to check and once to read, failed
        // within a few hundred runs.
        for (int run = 0; run < 1000; ++run) {
            const Status s = CompileMasks(m_dir->path(), out, tables);
            if (!s && !s.message().contains(refusal))
                unexpected << s.message();
        }
        stop = true;
        changer.join();
        file.close();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('\n')));
        QCOMPARE(readFile(path("SHPI.DAT")), before);
    }

    void artworkNamesNeverLeadOutside_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown"); // how the refusal shows the name
        QTest::newRow("slash") << QByteArray("../a") << "";
        QTest::newRow("backslash") << QByteArray("..\\a") << "..\\x5ca";
        QTest::newRow("NUL") << QByteArray("a\0\0\0", 4) << "a\\x00\\x00\\x00";
        QTest::newRow("line feed") << QByteArray("a\nb", 4) << "a\\x0ab\\x00";
    }

    void artworkNamesNeverLeadOutside()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        // Bitmaps that a name leading outside would reach.
        QVERIFY(QDir().mkdir(path("dash")));
        QVERIFY(writeFile(path("a.bmp"), "outside"));
        QVERIFY(writeFile(path("SHPIa.bmp"), "outside"));
        DirectoryEntry entry;
        std::copy_n(name.constData(), 4, entry.Name.begin());
        PictureSurface picture, mask;
        const Status s = prepareObjectBuffers(path("dash"), entry, picture, mask);
        QVERIFY(!s);
        QVERIFY2(s.message().startsWith(QDir::toNativeSeparators(path("dash")) + ": the object name \""),
                 qPrintable(s.message()));
        if (!shown.isEmpty())
            QVERIFY2(s.message().contains('"' + shown + '"'), qPrintable(s.message()));
    }

    void compileAfterExtractChangesNothing()
    {
        put(exampleContainer());
        const QByteArray before = readFile(path("SHPI.DAT"));
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        RecordingPrinter compileOut;
        QVERIFY(CompileMasks(m_dir->path(), compileOut, tables));
        QCOMPARE(readFile(path("SHPI.DAT")), before);
        QCOMPARE(compileOut.lines, QStringList({"Number of objects: 2", "Object 0: 0000 Width: 8 Height: 5",
                                                "Inserting mask", "Object 1: 0001 Width: 25 Height: 12",
                                                "Inserting mask.."}));
    }

    void compileTakesIndicesAndIgnoresPadding()
    {
        ContainerBuilder c;
        c.objects = {object("0000", 3, 2)};
        put(c);
        ShpiTables tables = load();
        tables.objects.headers[0].XPos = 42;               // dragged, not saved
        tables.dialRecord.setField(DialField::TachoX, -9); // edited, not saved

        const char rows[] = {char(200), 1, 2, char(0xEE), 3, 4, 5, char(0xEE)}; // 0xEE: padding, ignored
        const QByteArray mask = extractedMask(3, 2, QByteArray(rows, 8));
        QVERIFY(writeFile(path("shpi0000.bmp"), mask));        // any letter case

        RecordingPrinter out;
        QVERIFY(CompileMasks(m_dir->path(), out, tables));
        QVERIFY(LoadShpi(m_dir->path(), out, tables));
        const QByteArray file = readFile(path("SHPI.DAT"));
        const int header = 20 + 8 + 4 + 16;
        QCOMPARE(int16At(file, header + 8), 42);
        QCOMPARE(file.mid(header + 12, 6), QByteArray("\xC8\x01\x02\x03\x04\x05", 6));
        QCOMPARE(tables.dialRecord.field(DialField::TachoX), -9);
    }

    void masksOfTheExtractedLengthAreDecodedByTheirHeaders_data()
    {
        QTest::addColumn<QByteArray>("mask");
        QTest::addColumn<QByteArray>("expected"); // the pixel block, bottom row first; empty: refused
        QTest::addColumn<QString>("refusal");
        const int w = 5, h = 3, plain = 1078 + 8 * 3;

        QByteArray random(plain, '\0');
        for (int i = 0; i < plain; ++i)
            random[i] = char((i * 151 + 7) % 251);
        QTest::newRow("no BMP at all") << random << QByteArray() << "cannot be read as a BMP picture";
        QByteArray says24 = extractedMask(w, h, QByteArray(8 * h, '\0'));
        says24[28] = 24;
        QTest::newRow("said to be 24-bit") << says24 << QByteArray() << "is cut short";

        // Levels differing in every pixel, the picture's top row first.
        QByteArray topFirst(8 * h, '\x5a');
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                topFirst[y * 8 + x] = char(x * 60 + y * 17);
        QByteArray bottomFirst;
        for (int y = h - 1; y >= 0; --y)
            bottomFirst += topFirst.mid(y * 8, w);
        QTest::newRow("top-down") << handMadeBitmap(w, -h, 8, 0, greyColours(256), topFirst) << bottomFirst << "";

        // 256-colour pictures as editors save them, with palettes of their own.
        QImage picture(w, h, QImage::Format_Indexed8);
        picture.setColorTable(ownPalette(false));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.setPixel(x, y, uint(uchar(topFirst[y * 8 + x])));
        for (const auto &[name, coloured] : {std::pair{"reversed grey palette", false},
                                             std::pair{"coloured palette", true}}) {
            picture.setColorTable(ownPalette(coloured));
            QByteArray levels;
            for (int y = h - 1; y >= 0; --y)
                for (int x = 0; x < w; ++x)
                    levels += char(qGray(picture.pixel(x, y)));
            QTest::newRow(name) << bitmapBytes(picture) << levels << "";
        }
    }

    void masksOfTheExtractedLengthAreDecodedByTheirHeaders()
    {
        // A file of exactly the length extraction writes is no exception:
        // compilation and the editor read it by its headers, alike.
        QFETCH(QByteArray, mask);
        QFETCH(QByteArray, expected);
        QFETCH(QString, refusal);
        QCOMPARE(mask.size(), 1078 + 8 * 3);
        ContainerBuilder c;
        c.objects = {object("0000", 5, 3)};
        put(c);
        ShpiTables tables = load();
        QVERIFY(writeFile(path("SHPI0000.BMP"), mask));
        QImage artwork(5, 3, QImage::Format_RGB32);
        artwork.fill(Qt::white);
        QVERIFY(artwork.save(path("0000.bmp"), "BMP"));
        const QByteArray before = readFile(path("SHPI.DAT"));

        RecordingPrinter out;
        const Status compiled = CompileMasks(m_dir->path(), out, tables);
        PictureSurface image, shown;
        const Status displayed = prepareObjectBuffers(m_dir->path(), tables.objects.directory[0], image, shown);
        if (expected.isEmpty()) {
            QVERIFY(!compiled && !displayed);
            QVERIFY2(compiled.message().contains(refusal), qPrintable(compiled.message()));
            QCOMPARE(displayed.message(), compiled.message());
            QCOMPARE(readFile(path("SHPI.DAT")), before);
            return;
        }
        QVERIFY2(compiled, qPrintable(compiled.message()));
        QCOMPARE(readFile(path("SHPI.DAT")).mid(20 + 8 + 4 + 16 + 12, 15), expected);
        QVERIFY2(displayed, qPrintable(displayed.message()));
        QCOMPARE(shown.size(), QSize(5, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(shown.picture().pixel(x, y) & 0xffffff, 0x010101u * uchar(expected[(2 - y) * 5 + x]));
    }

    void compileReadsMasksSavedByOtherEditors_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("24-bit") << "rgb888";
        QTest::newRow("8-bit sorted palette") << "indexed8";
        QTest::newRow("1-bit") << "mono";
        QTest::newRow("16-bit RGB555") << "rgb555";
        QTest::newRow("16-bit RGB565") << "rgb565";
        QTest::newRow("RLE8 skipping pixels") << "rle8";
    }

    void compileReadsMasksSavedByOtherEditors()
    {
        QFETCH(QString, format);
        ContainerBuilder c;
        c.objects = {object("0000", 5, 3)};
        put(c);
        ShpiTables tables = load();

        // A picture with white in its top-left corner and black elsewhere.
        QImage picture(5, 3, QImage::Format_RGB888);
        picture.fill(Qt::black);
        picture.setPixel(0, 0, qRgb(255, 255, 255));
        if (format == "indexed8") {
            picture = picture.convertToFormat(QImage::Format_Indexed8, {qRgb(255, 255, 255), qRgb(0, 0, 0)});
        } else if (format == "mono") {
            picture = picture.convertToFormat(QImage::Format_Mono);
        }
        // Hand-made: white in the last row the file stores, the rest black.
        QByteArray white555 = blackRows(5, 3, 16), white565 = white555, masks565;
        white555.replace(24, 2, "\xff\x7f");
        white565.replace(24, 2, "\xff\xff");
        for (int mask : {0xF800, 0x07E0, 0x001F})
            putInt32(masks565, mask);
        if (format == "rgb555")
            QVERIFY(writeFile(path("SHPI0000.BMP"), handMadeBitmap(5, 3, 16, 0, QByteArray(), white555)));
        else if (format == "rgb565")
            QVERIFY(writeFile(path("SHPI0000.BMP"), handMadeBitmap(5, 3, 16, 3, masks565, white565)));
        else if (format == "rle8") // up two rows, one white pixel
            QVERIFY(writeFile(path("SHPI0000.BMP"), handMadeBitmap(5, 3, 8, 1, greyColours(256),
                                                                   QByteArray("\0\2\0\2\1\xff\0\1", 8))));
        else
            QVERIFY(picture.save(path("SHPI0000.BMP"), "BMP"));
        QVERIFY(readFile(path("SHPI0000.BMP")).size() != 1078 + 8 * 3);

        RecordingPrinter out;
        QVERIFY(CompileMasks(m_dir->path(), out, tables));
        const QByteArray pixels = readFile(path("SHPI.DAT")).mid(20 + 8 + 4 + 16 + 12, 15);
        // The picture's top row is the last stored row.
        QByteArray expected(15, '\0');
        expected[10] = char(255);
        QCOMPARE(pixels, expected);
    }

    void sharedMaskFileKeepsTheEarlierPixels_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("same name") << QByteArray("0001");
        QTest::newRow("same name in other letters") << QByteArray("abcd");
    }

    void sharedMaskFileKeepsTheEarlierPixels()
    {
        QFETCH(QByteArray, second);
        ContainerBuilder c;
        c.objects = {object("0000", 4, 2), object(second.toUpper(), 4, 2), object(second, 4, 2)};
        c.objects[1].pixels = QByteArray(8, 'a');
        c.objects[2].pixels = QByteArray(8, 'b');
        put(c);
        const QByteArray before = readFile(path("SHPI.DAT"));
        const QString file = "SHPI" + QString::fromLatin1(second.toUpper()) + ".BMP";
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QVERIFY2(out.lines.contains("Object 1 shares " + file + " with object 2, whose mask the file keeps"),
                 qPrintable(out.lines.join('\n')));

        RecordingPrinter compileOut;
        QVERIFY(CompileMasks(m_dir->path(), compileOut, tables));
        QVERIFY2(compileOut.lines.contains("Object 1 keeps its mask: " + file + " holds the mask of object 2"),
                 qPrintable(compileOut.lines.join('\n')));
        QCOMPARE(readFile(path("SHPI.DAT")), before);
    }

    void masksNeverShowHeapContents_data() { addDamagedMaskRows(12, 9); }

    void masksNeverShowHeapContents()
    {
        // Compiled and shown by tolvane-cli under two heap fillings: a pixel
        // no decoder wrote would differ between them.
        QFETCH(QByteArray, mask);
        QFETCH(QString, expected);
        const FixtureDashboard dashboard = FixtureDashboard::standard();
        ContainerBuilder after = dashboard.container();
        if (expected.isEmpty()) {
            after.objects[1].pixels = QByteArray(12 * 9, '\0');
            after.objects[1].pixels[0] = after.objects[1].pixels[2 * 12 + 2] = char(255);
        }
        QByteArray results[2];
        for (int fill : {0x5a, 0xa5}) {
            QTemporaryDir dir;
            QVERIFY(dashboard.write(dir.path()));
            ShpiTables tables;
            RecordingPrinter out;
            QVERIFY(ExtractMasks(dir.path(), out, tables));
            QVERIFY(writeFile(dir.filePath("shpi0001.bmp"), mask));
            const QString shown = dir.filePath("shown.png");
            for (const QStringList &arguments : {QStringList{"compile", dir.path()},
                                                 QStringList{"render", dir.path(), shown, "--select", "1"}}) {
                const CliRun run = cliOnFilledHeap(arguments, fill);
                QCOMPARE(run.exitCode, expected.isEmpty() ? 0 : 1);
                // Windows keeps the name the file was first created with.
                QVERIFY2(run.err.contains(expected) &&
                             (expected.isEmpty() || run.err.contains("shpi0001.bmp", Qt::CaseInsensitive)),
                         qPrintable(run.err));
            }
            QCOMPARE(readFile(dir.filePath("SHPI.DAT")), after.build());
            results[fill & 1] = readFile(shown);
        }
        QCOMPARE(results[0], results[1]);
    }

    void compileRefusesUnusableMasks_data()
    {
        QTest::addColumn<QByteArray>("mask");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << "does not exist";
        QTest::newRow("garbage") << QByteArray("not a bitmap at all") << "cannot be read as a BMP picture";
        QImage wrongSize(7, 7, QImage::Format_RGB888);
        wrongSize.fill(Qt::white);
        QTest::newRow("wrong size") << bitmapBytes(wrongSize) << "is 7 x 7 pixels; the object is 25 x 12";
        // Read whole, it would exhaust the memory.
        QTest::newRow("100 GiB") << QByteArray("sparse") << "more than any BMP of 25 x 12 pixels takes";
        QTest::newRow("pixels past the end") << handMadeBitmap(25, 12, 24, 0, QByteArray(), QByteArray(4, '\0'))
                                             << "is cut short";
    }

    void compileRefusesUnusableMasks()
    {
        QFETCH(QByteArray, mask);
        QFETCH(QString, expected);
        put(exampleContainer());
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(m_dir->path(), out, tables));
        QVERIFY(QFile::remove(path("SHPI0001.BMP")));
        if (mask == "sparse") {
            QFile huge(path("SHPI0001.BMP"));
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(100) << 30));
        } else if (!mask.isEmpty()) {
            QVERIFY(writeFile(path("SHPI0001.BMP"), mask));
        }
        const QByteArray before = readFile(path("SHPI.DAT"));
        const QStringList filesBefore = files();
        tables.objects.headers[0].XPos = 77;

        const Status s = CompileMasks(m_dir->path(), out, tables);
        QVERIFY(!s);
        QVERIFY2(s.message().contains(expected), qPrintable(s.message()));
        QVERIFY(s.message().contains("SHPI0001.BMP"));
        QCOMPARE(readFile(path("SHPI.DAT")), before);
        QCOMPARE(files(), filesBefore);
    }
};

QTEST_GUILESS_MAIN(TestMasks)
#include "test_masks.moc"
