// Writes that the file system refuses: a read-only directory, a full disk, and
// a container removed or replaced between the load and the save. Each gives a
// message naming the file and the cause, leaves every file and the tables as
// they were, and a later write succeeds once the fault is gone. A directory
// that takes no new file, but whose files may be written, is written in place
// with a note saying so. Also: links swapped in during a write, ownership kept
// across a rewrite, the lock between two writers, and few open files. Through
// the core and through tolvane-cli.
//
// As root, permissions do not stop writing: the read-only directory is then a
// read-only bind mount and the full disk a small tmpfs, both in a mount
// namespace of this process alone, so that nothing outlives the test.

#include "common/containerbuilder.h"
#include "common/lockholder.h"
#include "common/recordingprinter.h"
#include "common/snapshots.h"

#include "masks/compilemasks.h"
#include "masks/extractmasks.h"
#include "store/dashboardlock.h"
#include "store/loadshpi.h"
#include "store/saveshpidata.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tolvane;
using namespace testing_support;

namespace {

enum class Fault { ReadOnly, FullDisk, NoNewFile };
enum class Operation { Save, Compile, Extract };

struct Run
{
    int exitCode = -1;
    QString err;
};

Run cli(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(TOLVANE_CLI), arguments);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

// A container of about 200 KiB, so that a full disk stops its rewrite.
ContainerBuilder dashboardContainer()
{
    ContainerBuilder c = exampleContainer();
    TestObject big;
    big.directoryName = "BIG0";
    big.width = 400;
    big.height = 500;
    big.pixels = QByteArray(400 * 500, '\x42');
    c.objects.push_back(big);
    return c;
}

Status run(Operation operation, const QString &dir, ShpiTables &tables, PrintTarget &out)
{
    switch (operation) {
    case Operation::Save:
        return SaveShpiData(dir, out, tables);
    case Operation::Compile:
        return CompileMasks(dir, out, tables);
    case Operation::Extract:
        return ExtractMasks(dir, out, tables);
    }
    return Status::failure(QStringLiteral("no such operation"));
}

Status run(Operation operation, const QString &dir, ShpiTables &tables)
{
    RecordingPrinter out;
    return run(operation, dir, tables, out);
}

// Once a line starting with @p trigger is printed, puts a link to @p target
// where @p victim stood, as another program could in the middle of a write.
class SwappingPrinter : public RecordingPrinter
{
public:
    QString trigger, victim, target;
    using RecordingPrinter::Print;
    void Print(const QString &item, LineEnd end) override
    {
        if (!trigger.isEmpty() && item.startsWith(trigger)) {
            QFile::remove(victim);
            QFile::link(target, victim);
            trigger.clear();
        }
        RecordingPrinter::Print(item, end);
    }
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    bool m_privateMounts = false;
    QString m_mountPoint; // mounted by the running test function, if any

    QString dashboard() const { return m_root.filePath(QStringLiteral("fs/dash")); }
    QString container() const { return dashboard() + QStringLiteral("/SHPI.DAT"); }

    // The dashboard: the container and its extracted masks.
    void fill()
    {
        QVERIFY(QDir().mkpath(dashboard()));
        QVERIFY(writeFile(container(), dashboardContainer().build()));
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(ExtractMasks(dashboard(), out, tables));
    }

    // Why @p fault cannot be made here, or nothing.
    const char *unavailable(Fault fault) const
    {
        if (m_privateMounts)
            return nullptr;
        if (fault == Fault::FullDisk)
            return "a full disk is a small tmpfs, which only root may mount";
        return geteuid() == 0 ? "running as root, where permissions do not stop writing, and mounting is not "
                                "permitted here"
                              : nullptr;
    }

    // Creates the dashboard under @p fault.
    void prepare(Fault fault)
    {
        const QString fs = m_root.filePath(QStringLiteral("fs"));
        QVERIFY(QDir().mkpath(fs));
        if (fault != Fault::FullDisk) {
            fill();
            if (!m_privateMounts) {
                QVERIFY(QFile::setPermissions(dashboard(), QFile::ReadOwner | QFile::ExeOwner));
                return;
            }
            const QByteArray path = QFile::encodeName(dashboard());
            QVERIFY2(::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0, strerror(errno));
            m_mountPoint = dashboard();
            // Each file mounted over itself stays writable in the read-only directory.
            if (fault == Fault::NoNewFile) {
                for (const QString &name : QDir(dashboard()).entryList(QDir::Files)) {
                    const QByteArray file = QFile::encodeName(dashboard() + QLatin1Char('/') + name);
                    QVERIFY2(::mount(file.constData(), file.constData(), nullptr, MS_BIND, nullptr) == 0,
                             strerror(errno));
                }
            }
            QVERIFY2(::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0,
                     strerror(errno));
            return;
        }

        const QByteArray path = QFile::encodeName(fs);
        QVERIFY2(::mount("tolvane-full", path.constData(), "tmpfs", 0, "size=2m") == 0, strerror(errno));
        m_mountPoint = fs;
        fill();
        // Ballast beside the dashboard leaves less room than the container needs.
        struct statvfs info;
        QVERIFY(::statvfs(path.constData(), &info) == 0);
        const qint64 free = qint64(info.f_bavail) * qint64(info.f_frsize);
        QVERIFY(free > 64 * 1024);
        QVERIFY(writeFile(m_root.filePath(QStringLiteral("fs/ballast")), QByteArray(free - 64 * 1024, '\0')));
    }

    // Ends the fault: the dashboard can be written again.
    void lift(Fault fault)
    {
        if (fault == Fault::FullDisk) {
            QVERIFY(QFile::remove(m_root.filePath(QStringLiteral("fs/ballast"))));
        } else if (!m_privateMounts) {
            QVERIFY(QFile::setPermissions(dashboard(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        } else {
            const QByteArray path = QFile::encodeName(m_mountPoint);
            QVERIFY(::umount2(path.constData(), MNT_DETACH) == 0);
            m_mountPoint.clear();
        }
    }

    static void addFaultRows()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Operation>("operation");
        for (const auto &[fault, faultName] : {std::pair{Fault::ReadOnly, "read-only"}, {Fault::FullDisk, "full"}}) {
            QTest::addRow("%s save", faultName) << fault << Operation::Save;
            QTest::addRow("%s compile", faultName) << fault << Operation::Compile;
            QTest::addRow("%s extract", faultName) << fault << Operation::Extract;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        // Mounts made in a namespace of this process alone vanish with it.
        m_privateMounts = geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
                          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!m_privateMounts && geteuid() == 0)
            qInfo("no private mount namespace (%s): the read-only and full-disk cases are skipped", strerror(errno));
    }

    void cleanup()
    {
        if (!m_mountPoint.isEmpty())
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        m_mountPoint.clear();
        QFile::setPermissions(dashboard(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(m_root.filePath(QStringLiteral("fs"))).removeRecursively();
    }

    void refusedWriteChangesNothing_data() { addFaultRows(); }

    void refusedWriteChangesNothing()
    {
        QFETCH(Fault, fault);
        QFETCH(Operation, operation);
        if (const char *reason = unavailable(fault))
            QSKIP(reason);
        prepare(fault);
        if (QTest::currentTestFailed())
            return;

        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        tables.objects.headers[1].XPos = 1234;
        tables.dialRecord.setField(DialField::MphMax, 99);
        const QByteArray tablesBefore = tableBytes(tables);
        const QStringList filesBefore = directorySnapshot(m_root.filePath(QStringLiteral("fs")));

        const Status s = run(operation, dashboard(), tables);
        QVERIFY(!s);
        // The file named is the one that could not be written: the container,
        // or the first mask file that did not fit.
        const QRegularExpression named(QRegularExpression::escape(QDir::toNativeSeparators(dashboard())) +
                                       (operation == Operation::Extract ? QStringLiteral("/SHPI[0-9A-Z]{4}\\.BMP")
                                                                        : QStringLiteral("/SHPI\\.DAT")) +
                                       QStringLiteral(": cannot be written: \\S"));
        QVERIFY2(named.match(s.message()).capturedStart() == 0, qPrintable(s.message()));
        if (fault == Fault::FullDisk)
            QVERIFY2(s.message().endsWith(QStringLiteral("No space left on device")), qPrintable(s.message()));
        QCOMPARE(tableBytes(tables), tablesBefore);
        QCOMPARE(directorySnapshot(m_root.filePath(QStringLiteral("fs"))), filesBefore);

        // The same tables are written once the fault is gone.
        lift(fault);
        QVERIFY(run(operation, dashboard(), tables));
        if (operation != Operation::Extract) {
            ShpiTables reloaded;
            QVERIFY(LoadShpi(dashboard(), out, reloaded));
            QCOMPARE(reloaded.objects.headers[1].XPos, 1234);
        }
    }

    void cliRefusesAndChangesNothing_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QStringList>("arguments");
        for (const auto &[fault, faultName] : {std::pair{Fault::ReadOnly, "read-only"}, {Fault::FullDisk, "full"}}) {
            QTest::addRow("%s move", faultName) << fault << QStringList{"move", "DIR", "1", "5", "6"};
            QTest::addRow("%s set-dial", faultName) << fault << QStringList{"set-dial", "DIR", "MphMax=200"};
            QTest::addRow("%s compile", faultName) << fault << QStringList{"compile", "DIR"};
            QTest::addRow("%s extract", faultName) << fault << QStringList{"extract", "DIR"};
        }
        QTest::addRow("full demo") << Fault::FullDisk << QStringList{"demo", "DIR/demo"};
    }

    void cliRefusesAndChangesNothing()
    {
        QFETCH(Fault, fault);
        QFETCH(QStringList, arguments);
        if (const char *reason = unavailable(fault))
            QSKIP(reason);
        prepare(fault);
        if (QTest::currentTestFailed())
            return;
        arguments.replaceInStrings(QStringLiteral("DIR"), dashboard());
        const QStringList before = directorySnapshot(m_root.filePath(QStringLiteral("fs")));

        const Run r = cli(arguments);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("tolvane-cli: ") + dashboard() + QLatin1Char('/')), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("cannot be written")), qPrintable(r.err));
        if (fault == Fault::FullDisk)
            QVERIFY2(r.err.endsWith(QStringLiteral("No space left on device\n")), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QCOMPARE(directorySnapshot(m_root.filePath(QStringLiteral("fs"))), before);

        lift(fault);
        QCOMPARE(cli(arguments).exitCode, 0);
    }

    void noNewFileMeansAWriteInPlace_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("save") << Operation::Save;
        QTest::newRow("compile") << Operation::Compile;
        QTest::newRow("extract") << Operation::Extract;
    }

    void noNewFileMeansAWriteInPlace()
    {
        QFETCH(Operation, operation);
        if (const char *reason = unavailable(Fault::NoNewFile))
            QSKIP(reason);
        prepare(Fault::NoNewFile);
        if (QTest::currentTestFailed())
            return;
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        tables.objects.headers[1].XPos = 1234;
        const QStringList namesBefore = QDir(dashboard()).entryList(QDir::AllEntries | QDir::Hidden);

        const Status s = run(operation, dashboard(), tables);
        QVERIFY2(s, qPrintable(s.message()));
        QVERIFY2(s.note().contains(QStringLiteral("not atomic")), qPrintable(s.note()));
        QCOMPARE(QDir(dashboard()).entryList(QDir::AllEntries | QDir::Hidden), namesBefore);
        ShpiTables reloaded;
        QVERIFY(LoadShpi(dashboard(), out, reloaded));
        QCOMPARE(reloaded.objects.headers[1].XPos, operation == Operation::Extract ? 100 : 1234);

        const Run r = cli({QStringLiteral("move"), dashboard(), QStringLiteral("1"), QStringLiteral("7"),
                           QStringLiteral("8")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains(QStringLiteral("not atomic")), qPrintable(r.err));
    }

    // A link put in place of the file being written is replaced; the file it
    // points to, which may lie anywhere, keeps its bytes.
    void aLinkSwappedInDuringAWriteIsReplaced_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("victim");
        QTest::newRow("save") << Operation::Save << "SHPI.DAT";
        QTest::newRow("compile") << Operation::Compile << "SHPI.DAT";
        QTest::newRow("extract") << Operation::Extract << "SHPI0000.BMP";
    }

    void aLinkSwappedInDuringAWriteIsReplaced()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, victim);
        fill();
        const QString outside = m_root.filePath(QStringLiteral("fs/outside"));
        QVERIFY(writeFile(outside, "not the user's to lose"));
        ShpiTables tables;
        SwappingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        out.trigger = operation == Operation::Save ? QStringLiteral("Saving data for object 1")
                                                   : QStringLiteral("Object 1:");
        out.victim = dashboard() + QLatin1Char('/') + victim;
        out.target = outside;

        QVERIFY(run(operation, dashboard(), tables, out));
        QVERIFY(out.trigger.isEmpty());
        QCOMPARE(readFile(outside), QByteArray("not the user's to lose"));
        QVERIFY(!QFileInfo(out.victim).isSymLink());
        QVERIFY(QFileInfo(out.victim).size() > 100);
    }

    void aRewriteKeepsOwnerGroupModeAndAttributes_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("name");
        QTest::newRow("save") << Operation::Save << "SHPI.DAT";
        QTest::newRow("extract") << Operation::Extract << "SHPI0001.BMP";
    }

    void aRewriteKeepsOwnerGroupModeAndAttributes()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, name);
        if (geteuid() != 0)
            QSKIP("only root may give a file to another owner");
        fill();
        const QByteArray path = QFile::encodeName(dashboard() + QLatin1Char('/') + name);
        QVERIFY(::chown(path.constData(), 4321, 4322) == 0);
        QVERIFY(::chmod(path.constData(), 02664) == 0);
        if (::setxattr(path.constData(), "user.tolvane.test", "kept", 4, 0) != 0)
            QSKIP("the file system keeps no extended attributes");

        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        QVERIFY(run(operation, dashboard(), tables));
        struct stat st;
        QVERIFY(::stat(path.constData(), &st) == 0);
        QCOMPARE(st.st_uid, uid_t(4321));
        QCOMPARE(st.st_gid, gid_t(4322));
        QCOMPARE(st.st_mode & 07777, mode_t(02664));
        char value[8] = {};
        QCOMPARE(::getxattr(path.constData(), "user.tolvane.test", value, sizeof value), ssize_t(4));
        QCOMPARE(QByteArray(value), QByteArray("kept"));
    }

    // Another writer waits while the lock is held, then builds on what the
    // holder wrote; a lock whose holder was killed blocks nobody.
    void writersTakeTurns()
    {
        fill();
        QProcess mover;
        {
            DashboardLock lock(dashboard());
            QVERIFY(lock.acquire());
            mover.start(QStringLiteral(TOLVANE_CLI), {QStringLiteral("move"), dashboard(), QStringLiteral("1"),
                                                      QStringLiteral("11"), QStringLiteral("12")});
            QVERIFY(!mover.waitForFinished(700));
            ShpiTables tables;
            RecordingPrinter out;
            QVERIFY(LoadShpi(dashboard(), out, tables));
            tables.dialRecord.setField(DialField::MphMax, 77);
            QVERIFY(SaveShpiData(dashboard(), out, tables));
        }
        QVERIFY(mover.waitForFinished(20000));
        QCOMPARE(mover.exitCode(), 0);
        ShpiTables after;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, after));
        QCOMPARE(after.objects.headers[1].XPos, 11);
        QCOMPARE(after.dialRecord.field(DialField::MphMax), 77);

        // A holder killed while it holds the lock leaves its lock file, which
        // the next writer takes over and removes.
        LockHolder killed(dashboard());
        QVERIFY(killed.held());
        killed.kill();
        QCOMPARE(cli({QStringLiteral("set-dial"), dashboard(), QStringLiteral("MphMax=78")}).exitCode, 0);
        QVERIFY(!QFileInfo::exists(dashboard() + QStringLiteral("/.tolvane.lock")));
    }

    // Only who may write a dashboard can hold its lock: a user who may only
    // read it locks the directory, and cannot open the lock file a writer
    // holds; writers go on.
    void aReaderCannotBlockWriters()
    {
        if (geteuid() != 0)
            QSKIP("only root can run a process as another user");
        fill();
        for (const QString &dir : {m_root.path(), m_root.filePath(QStringLiteral("fs")), dashboard()})
            QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0755) == 0);
        const QStringList asReader{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                   QStringLiteral("--clear-groups"), QStringLiteral("flock")};
        QProcess reader;
        reader.start(QStringLiteral("setpriv"), asReader + QStringList{dashboard(), QStringLiteral("sh"),
                                                                      QStringLiteral("-c"),
                                                                      QStringLiteral("echo held; exec cat")});
        QVERIFY(reader.waitForReadyRead(10000));
        QCOMPARE(reader.readLine(), QByteArray("held\n"));
        {
            DashboardLock lock(dashboard());
            QVERIFY(lock.acquire(0));
            QProcess other;
            other.start(QStringLiteral("setpriv"),
                        asReader + QStringList{QStringLiteral("--nonblock"), QStringLiteral("--conflict-exit-code"),
                                               QStringLiteral("3"), dashboard() + QStringLiteral("/.tolvane.lock"),
                                               QStringLiteral("true")});
            QVERIFY(other.waitForFinished(10000));
            QVERIFY2(other.exitCode() != 0 && other.exitCode() != 3, other.readAllStandardError().constData());
        }
        QCOMPARE(cli({QStringLiteral("set-dial"), dashboard(), QStringLiteral("MphMax=79")}).exitCode, 0);
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(10000));
    }

    // Extraction stages every file before replacing any, yet keeps only a
    // few open: a container of many objects fits a small descriptor limit.
    void extractionOfManyObjectsNeedsFewDescriptors()
    {
        ContainerBuilder many;
        for (int i = 0; i < 300; ++i) {
            TestObject o;
            o.directoryName = QByteArray::number(1000 + i);
            o.width = 3;
            o.height = 2;
            many.objects.push_back(o);
        }
        QVERIFY(QDir().mkpath(dashboard()));
        QVERIFY(writeFile(container(), many.build()));
        struct rlimit before;
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &before) == 0);
        struct rlimit small = before;
        small.rlim_cur = 64;
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &small) == 0);
        ShpiTables tables;
        RecordingPrinter out;
        const Status s = ExtractMasks(dashboard(), out, tables);
        ::setrlimit(RLIMIT_NOFILE, &before);
        QVERIFY2(s, qPrintable(s.message()));
        QCOMPARE(QDir(dashboard()).entryList({QStringLiteral("SHPI1*.BMP")}).size(), 300);
    }

    void containerGoneBetweenLoadAndSave_data()
    {
        QTest::addColumn<QString>("replacement"); // what stands in its place
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("removed, save") << "" << Operation::Save << "the file does not exist";
        QTest::newRow("removed, compile") << "" << Operation::Compile << "the file does not exist";
        QTest::newRow("a directory, save") << "dir" << Operation::Save << "is not a regular file";
        QTest::newRow("a directory, compile") << "dir" << Operation::Compile << "is not a regular file";
    }

    void containerGoneBetweenLoadAndSave()
    {
        QFETCH(QString, replacement);
        QFETCH(Operation, operation);
        QFETCH(QString, expected);
        fill();
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        tables.objects.headers[0].YPos = -1;
        const QByteArray tablesBefore = tableBytes(tables);

        QVERIFY(QFile::remove(container()));
        if (replacement == QLatin1String("dir"))
            QVERIFY(QDir().mkdir(container()));
        const QStringList before = directorySnapshot(dashboard());
        const Status s = run(operation, dashboard(), tables);
        QVERIFY(!s);
        QVERIFY2(s.message().startsWith(QDir::toNativeSeparators(container()) + QStringLiteral(": ")),
                 qPrintable(s.message()));
        QVERIFY2(s.message().contains(expected), qPrintable(s.message()));
        QCOMPARE(tableBytes(tables), tablesBefore);
        QCOMPARE(directorySnapshot(dashboard()), before); // in particular, no new SHPI.DAT
    }

    void cliOnAMissingContainerCreatesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("move") << QStringList{"move", "DIR", "0", "1", "1"};
        QTest::newRow("set-dial") << QStringList{"set-dial", "DIR", "MphMax=1"};
        QTest::newRow("compile") << QStringList{"compile", "DIR"};
        QTest::newRow("extract") << QStringList{"extract", "DIR"};
    }

    void cliOnAMissingContainerCreatesNothing()
    {
        QFETCH(QStringList, arguments);
        fill();
        QVERIFY(QFile::remove(container()));
        arguments.replaceInStrings(QStringLiteral("DIR"), dashboard());
        const QStringList before = directorySnapshot(dashboard());
        const Run r = cli(arguments);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QStringLiteral("tolvane-cli: %1: the file does not exist\n").arg(container()));
        QCOMPARE(directorySnapshot(dashboard()), before);
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
