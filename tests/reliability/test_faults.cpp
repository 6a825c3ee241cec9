// Writes that the file system refuses: a read-only directory, a full disk, and
// a container removed or replaced between the load and the save. Each gives a
// message naming the file and the cause, leaves every file and the tables as
// they were, and a later write succeeds once the fault is gone. A directory
// that takes no new file, but whose files may be written, is written in place
// only when that is allowed, and then safely. Also: links and pipes swapped in
// during a write, ownership kept across a rewrite (or the write refused), the
// lock between two writers, and few open files. Through the core and through
// tolvane-cli.
//
// As root, permissions do not stop writing: the read-only directory is then a
// read-only bind mount and the full disk a small tmpfs, both in a mount
// namespace of this process alone, so that nothing outlives the test.

#include "common/containerbuilder.h"
#include "common/lockholder.h"
#include "common/programrun.h"
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
#include <grp.h>
#include <sys/file.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tolvane;
using namespace testing_support;

namespace {

enum class Fault { ReadOnly, FullDisk, NoNewFile, FullAndNoNewFile };
enum class Operation { Save, Compile, Extract };

struct Run
{
    int exitCode = -1;
    QString err;
};

// Runs tolvane-cli as @p user (group @p user too, and @p group besides) when given.
Run cli(const QStringList &arguments, uid_t user = 0, gid_t group = 0)
{
    QProcess p;
    if (user != 0) {
        p.setChildProcessModifier([user, group] {
            const gid_t groups[] = {group};
            if (::setgroups(1, groups) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
                ::_exit(126);
        });
    }
    const ProgramRun r = runToEnd(p, QStringLiteral(TOLVANE_CLI), arguments);
    return {r.exitCode, QString::fromLocal8Bit(r.err)};
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

Status run(Operation operation, const QString &dir, ShpiTables &tables, PrintTarget &out,
           InPlace inPlace = InPlace::Refused)
{
    switch (operation) {
    case Operation::Save:
        return SaveShpiData(dir, out, tables, inPlace);
    case Operation::Compile:
        return CompileMasks(dir, out, tables, inPlace);
    case Operation::Extract:
        return ExtractMasks(dir, out, tables, inPlace);
    }
    return Status::failure(QStringLiteral("no such operation"));
}

Status run(Operation operation, const QString &dir, ShpiTables &tables, InPlace inPlace = InPlace::Refused)
{
    RecordingPrinter out;
    return run(operation, dir, tables, out, inPlace);
}

// Once a line starting with @p trigger is printed, runs @p action, as another
// program could act in the middle of a write.
class TriggerPrinter : public RecordingPrinter
{
public:
    QString trigger;
    std::function<void()> action;
    using RecordingPrinter::print;
    void print(const QString &item, LineEnd end) override
    {
        if (!trigger.isEmpty() && item.startsWith(trigger)) {
            trigger.clear();
            action();
        }
        RecordingPrinter::print(item, end);
    }
};

// How many bytes this process has handed to the system to write.
qint64 bytesWritten()
{
    QFile io(QStringLiteral("/proc/self/io"));
    const QByteArray text = io.open(QIODevice::ReadOnly) ? io.readAll() : QByteArray();
    const qsizetype at = text.indexOf("wchar: ") + 7;
    return text.mid(at, text.indexOf('\n', at) - at).toLongLong();
}

// The string at @p address in the memory of the process @p pid.
QByteArray stringAt(pid_t pid, quint64 address)
{
    QFile memory(QStringLiteral("/proc/%1/mem").arg(pid));
    if (!memory.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !memory.seek(qint64(address)))
        return {};
    const QByteArray bytes = memory.read(qint64(4096 - address % 4096)); // not past its page
    return bytes.left(bytes.indexOf('\0'));
}

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
        if (fault == Fault::FullDisk || fault == Fault::FullAndNoNewFile)
            return "a full disk is a small tmpfs, which only root may mount";
        return geteuid() == 0 ? "running as root, where permissions do not stop writing, and mounting is not "
                                "permitted here"
                              : nullptr;
    }

    // Creates the dashboard under @p fault; @p arrange changes it first.
    void prepare(Fault fault, const std::function<void()> &arrange = {})
    {
        const QString fs = m_root.filePath(QStringLiteral("fs"));
        QVERIFY(QDir().mkpath(fs));
        const bool full = fault == Fault::FullDisk || fault == Fault::FullAndNoNewFile;
        if (full) {
            QVERIFY2(::mount("tolvane-full", QFile::encodeName(fs).constData(), "tmpfs", 0, "size=2m") == 0,
                     strerror(errno));
            m_mountPoint = fs;
        }
        fill();
        if (arrange)
            arrange();
        if (full) {
            // Ballast beside the dashboard leaves less room than the container needs.
            struct statvfs info;
            QVERIFY(::statvfs(QFile::encodeName(fs).constData(), &info) == 0);
            const qint64 free = qint64(info.f_bavail) * qint64(info.f_frsize);
            QVERIFY(free > 64 * 1024);
            QVERIFY(writeFile(m_root.filePath(QStringLiteral("fs/ballast")), QByteArray(free - 64 * 1024, '\0')));
        }
        if (fault == Fault::FullDisk)
            return;

        if (!m_privateMounts) {
            QVERIFY(QFile::setPermissions(dashboard(), QFile::ReadOwner | QFile::ExeOwner));
            return;
        }
        const QByteArray path = QFile::encodeName(dashboard());
        QVERIFY2(::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0, strerror(errno));
        if (m_mountPoint.isEmpty())
            m_mountPoint = dashboard();
        // Each file mounted over itself stays writable in the read-only directory.
        if (fault != Fault::ReadOnly) {
            for (const QString &name : QDir(dashboard()).entryList(QDir::Files)) {
                const QByteArray file = QFile::encodeName(dashboard() + QLatin1Char('/') + name);
                QVERIFY2(::mount(file.constData(), file.constData(), nullptr, MS_BIND, nullptr) == 0,
                         strerror(errno));
            }
        }
        QVERIFY2(::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0,
                 strerror(errno));
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

    void aWriteInPlaceIsMadeOnlyWhenAllowed_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("file");
        QTest::newRow("save") << Operation::Save << "SHPI.DAT";
        QTest::newRow("compile") << Operation::Compile << "SHPI.DAT";
        QTest::newRow("extract") << Operation::Extract << "SHPI0000.BMP";
    }

    void aWriteInPlaceIsMadeOnlyWhenAllowed()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, file);
        if (const char *reason = unavailable(Fault::NoNewFile))
            QSKIP(reason);
        prepare(Fault::NoNewFile);
        if (QTest::currentTestFailed())
            return;
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        tables.objects.headers[1].XPos = 1234;
        const QStringList before = directorySnapshot(dashboard());
        const QString path = dashboard() + QLatin1Char('/') + file;

        const Status refused = run(operation, dashboard(), tables);
        QCOMPARE(refused.inPlaceFile(), path);
        QCOMPARE(refused.message(), path + QStringLiteral(": can only be written in place: its directory takes no "
                                                          "new file"));
        QCOMPARE(directorySnapshot(dashboard()), before);

        // Allowed, it writes over the files only the bytes that change.
        const qint64 writtenBefore = bytesWritten();
        const Status s = run(operation, dashboard(), tables, InPlace::Allowed);
        QVERIFY2(s, qPrintable(s.message()));
        QVERIFY2(bytesWritten() - writtenBefore < 4096, qPrintable(QString::number(bytesWritten() - writtenBefore)));
        QVERIFY2(s.note().contains(QStringLiteral("not atomic")), qPrintable(s.note()));
        ShpiTables reloaded;
        QVERIFY(LoadShpi(dashboard(), out, reloaded));
        QCOMPARE(reloaded.objects.headers[1].XPos, operation == Operation::Extract ? 100 : 1234);
    }

    // tolvane-cli writes in place only with --in-place; its note shows the
    // name's control bytes escaped.
    void cliWritesInPlaceOnlyWhenTold()
    {
        if (const char *reason = unavailable(Fault::NoNewFile))
            QSKIP(reason);
        prepare(Fault::NoNewFile);
        if (QTest::currentTestFailed())
            return;
        const QString link = m_root.filePath(QStringLiteral("fs/da\x1b[2Jsh"));
        QVERIFY(QFile::link(dashboard(), link));
        const QString shown = m_root.filePath(QStringLiteral("fs/da\\x1b[2Jsh/SHPI.DAT"));
        const QStringList before = directorySnapshot(dashboard());

        const Run refused = cli({QStringLiteral("move"), link, QStringLiteral("1"), QStringLiteral("7"),
                                 QStringLiteral("8")});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err, QStringLiteral("tolvane-cli: %1: can only be written in place: its directory takes no "
                                             "new file; a crash or a full disk in the middle of that write could "
                                             "leave it damaged, so nothing was written (--in-place allows it)\n")
                                  .arg(shown));
        QCOMPARE(directorySnapshot(dashboard()), before);

        const Run r = cli({QStringLiteral("--in-place"), QStringLiteral("move"), link, QStringLiteral("1"),
                           QStringLiteral("7"), QStringLiteral("8")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QStringLiteral("tolvane-cli: %1 was written in place, as allowed: this write was not "
                                       "atomic\n").arg(shown));
    }

    // Allowed, a write in place still changes nothing where it would not fit
    // on the disk (over a mask the user saved smaller than the one extraction
    // writes) or would change another name of the file (a "cp -al" snapshot).
    void anAllowedWriteInPlaceStillRefuses_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << Fault::FullAndNoNewFile << Operation::Extract << "SHPIBIG0.BMP"
                                   << "cannot be written: No space left on device";
        QTest::newRow("another name") << Fault::NoNewFile << Operation::Save << "SHPI.DAT"
                                      << "can only be written in place, as its directory takes no new file, but it "
                                         "has other names (hard links); writing it in place would change them too";
    }

    void anAllowedWriteInPlaceStillRefuses()
    {
        QFETCH(Fault, fault);
        QFETCH(Operation, operation);
        QFETCH(QString, file);
        QFETCH(QString, reason);
        if (const char *why = unavailable(fault))
            QSKIP(why);
        const QString path = dashboard() + QLatin1Char('/') + file;
        const QByteArray other = QFile::encodeName(m_root.filePath(QStringLiteral("fs/snapshot.dat")));
        prepare(fault, [&] {
            if (operation == Operation::Extract)
                QVERIFY(writeFile(path, QByteArray(100, 'm')));
            else
                QVERIFY(::link(QFile::encodeName(path).constData(), other.constData()) == 0);
        });
        if (QTest::currentTestFailed())
            return;
        const QStringList before = directorySnapshot(m_root.filePath(QStringLiteral("fs")));
        ShpiTables tables;
        RecordingPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        tables.objects.headers[1].XPos = 1234;
        QCOMPARE(run(operation, dashboard(), tables, InPlace::Allowed).message(), path + QStringLiteral(": ") + reason);
        QCOMPARE(directorySnapshot(m_root.filePath(QStringLiteral("fs"))), before);
    }

    // Where a new file would lose the owner, or attributes it cannot read,
    // the write is one in place: refused unless allowed, and then kept.
    void ownershipThatCannotBeKeptMeansAWriteInPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("lost");
        QTest::newRow("a group member's move") << "SHPI.DAT" << QStringList{"move", "DIR", "1", "7", "8"} << "owner";
        QTest::newRow("a write-only mask") << "SHPI0001.BMP" << QStringList{"extract", "DIR"}
                                           << "extended attributes";
    }

    void ownershipThatCannotBeKeptMeansAWriteInPlace()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, arguments);
        QFETCH(QString, lost);
        if (geteuid() != 0)
            QSKIP("only root may run tolvane-cli as other users");
        constexpr uid_t Owner = 4321, Member = 4323;
        constexpr gid_t Group = 4322;
        const bool writeOnly = name != QLatin1String("SHPI.DAT");
        fill();
        // The owner's dashboard, which the group may write.
        for (const QString &dir : {m_root.path(), m_root.filePath(QStringLiteral("fs"))})
            QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0755) == 0);
        const QStringList entries = QDir(dashboard()).entryList(QDir::Files) << QStringLiteral(".");
        for (const QString &entry : entries) {
            const QByteArray path = QFile::encodeName(dashboard() + QLatin1Char('/') + entry);
            QVERIFY(::chown(path.constData(), Owner, Group) == 0);
            QVERIFY(::chmod(path.constData(), entry == QLatin1String(".") ? 0775 : 0664) == 0);
        }
        const QByteArray path = QFile::encodeName(dashboard() + QLatin1Char('/') + name);
        if (writeOnly) {
            QVERIFY(::chmod(path.constData(), 0200) == 0);
            if (::setxattr(path.constData(), "user.tolvane.test", "kept", 4, 0) != 0)
                QSKIP("the file system keeps no extended attributes");
        }
        const QByteArray bytes = readFile(QFile::decodeName(path));
        arguments.replaceInStrings(QStringLiteral("DIR"), dashboard());
        const uid_t user = writeOnly ? Owner : Member;

        const Run refused = cli(arguments, user, Group);
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.startsWith(QStringLiteral("tolvane-cli: %1: can only be written in place: a new file in "
                                                       "its place would not keep its %2;")
                                            .arg(QFile::decodeName(path), lost)),
                 qPrintable(refused.err));
        QCOMPARE(readFile(QFile::decodeName(path)), bytes);

        const Run r = cli(QStringList{QStringLiteral("--in-place")} + arguments, user, Group);
        QCOMPARE(r.exitCode, 0);
        struct stat st;
        QVERIFY(::stat(path.constData(), &st) == 0);
        QCOMPARE(st.st_uid, Owner);
        QCOMPARE(st.st_gid, Group);
        QCOMPARE(st.st_mode & 07777, mode_t(writeOnly ? 0200 : 0664));
        char value[8] = {};
        if (writeOnly)
            QCOMPARE(::getxattr(path.constData(), "user.tolvane.test", value, sizeof value), ssize_t(4));
    }

    // While the new content is written, the staging file is no more open to
    // others than the file it replaces, whatever the umask.
    void stagingFilesAreNeverOpenToOthers()
    {
        fill();
        QVERIFY(QFile::setPermissions(container(), QFile::ReadOwner | QFile::WriteOwner));
        mode_t staged = 0;
        TriggerPrinter out;
        out.trigger = QStringLiteral("Saving data for object 1");
        out.action = [&] {
            struct stat st;
            for (const QString &name : QDir(dashboard()).entryList({QStringLiteral(".SHPI.DAT.tolvane~*")},
                                                                   QDir::Files | QDir::Hidden)) {
                if (::stat(QFile::encodeName(dashboard() + QLatin1Char('/') + name).constData(), &st) == 0)
                    staged = st.st_mode & 07777;
            }
        };
        ShpiTables tables;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        const mode_t umaskBefore = ::umask(0);
        const Status s = SaveShpiData(dashboard(), out, tables);
        ::umask(umaskBefore);
        QVERIFY2(s, qPrintable(s.message()));
        QCOMPARE(staged, mode_t(0600));
    }

    // A pipe put in place of SHPI.DAT after it was checked, at the moment it
    // is opened, is refused at once: a writer holding the lock never waits.
    void aPipeSwappedInIsRefusedWithoutWaiting_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("move") << QStringList{"move", "DIR", "1", "7", "8"};
        QTest::newRow("compile") << QStringList{"compile", "DIR"};
    }

    void aPipeSwappedInIsRefusedWithoutWaiting()
    {
        QFETCH(QStringList, arguments);
        fill();
        const QByteArray pipe = QFile::encodeName(dashboard() + QStringLiteral("/pipe"));
        QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);
        const QByteArray errors = QFile::encodeName(m_root.filePath(QStringLiteral("stderr")));
        std::vector<QByteArray> words{QByteArrayLiteral(TOLVANE_CLI)};
        for (const QString &word : arguments)
            words.push_back(QFile::encodeName(word == QLatin1String("DIR") ? dashboard() : word));
        std::vector<char *> argv;
        for (QByteArray &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const int err = ::open(errors.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (err < 0 || ::dup2(err, 2) < 0 || ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
                ::_exit(127);
            // LeakSanitizer stops the world through ptrace at exit, which a
            // traced process cannot: leaks are looked for in the other tests.
            ::setenv("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1", 1);
            ::raise(SIGSTOP);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(::ptrace(PTRACE_SETOPTIONS, child, nullptr,
                         PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL) == 0);
        // At the entry of each system call, before the kernel looks at the name.
        bool swapped = false;
        QByteArray waitingOpen;
        int signal = 0;
        while (::ptrace(PTRACE_SYSCALL, child, nullptr, signal) == 0 && ::waitpid(child, &status, 0) == child &&
               WIFSTOPPED(status)) {
            signal = WSTOPSIG(status) != (SIGTRAP | 0x80) && status >> 16 == 0 ? WSTOPSIG(status) : 0;
            __ptrace_syscall_info call;
            if (WSTOPSIG(status) != (SIGTRAP | 0x80) ||
                ::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof call, &call) <= 0 ||
                call.op != PTRACE_SYSCALL_INFO_ENTRY || call.entry.nr != SYS_openat)
                continue;
            const QByteArray name = stringAt(child, call.entry.args[1]);
            if (name != "SHPI.DAT" && !name.endsWith("/SHPI.DAT"))
                continue;
            if (!(call.entry.args[2] & (O_NONBLOCK | O_PATH))) {
                waitingOpen = name; // it would wait for a writer to the pipe for ever
                ::kill(child, SIGKILL);
            } else if (!swapped) {
                QVERIFY(::rename(pipe.constData(), QFile::encodeName(container()).constData()) == 0);
                swapped = true;
            }
        }
        while (!WIFEXITED(status) && !WIFSIGNALED(status) && ::waitpid(child, &status, 0) == child) {
        }
        QVERIFY2(waitingOpen.isEmpty(), "SHPI.DAT is opened so that a pipe in its place would block: " + waitingOpen);
        QVERIFY(swapped);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 1);
        QCOMPARE(QString::fromLocal8Bit(readFile(QFile::decodeName(errors))),
                 QStringLiteral("tolvane-cli: %1: is not a regular file\n").arg(container()));
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
        TriggerPrinter out;
        QVERIFY(LoadShpi(dashboard(), out, tables));
        out.trigger = operation == Operation::Save ? QStringLiteral("Saving data for object 1")
                                                   : QStringLiteral("Object 1:");
        const QString path = dashboard() + QLatin1Char('/') + victim;
        out.action = [&] {
            QFile::remove(path);
            QFile::link(outside, path);
        };

        QVERIFY(run(operation, dashboard(), tables, out));
        QVERIFY(out.trigger.isEmpty());
        QCOMPARE(readFile(outside), QByteArray("not the user's to lose"));
        QVERIFY(!QFileInfo(path).isSymLink());
        QVERIFY(QFileInfo(path).size() > 100);
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

    // While another program holds the lock, a second writer cannot take it;
    // one started while it is held builds on what the holder wrote; a lock
    // whose holder was killed blocks nobody.
    void writersTakeTurns()
    {
        fill();
        {
            LockHolder holder(dashboard());
            QVERIFY(holder.held());
            DashboardLock second(dashboard());
            QVERIFY(!second.acquire(0));
            QVERIFY(second.heldElsewhere());
            QVERIFY2(second.holder().contains(LockHolder::program()), qPrintable(second.holder()));
        }
        QProcess mover;
        {
            DashboardLock lock(dashboard());
            QVERIFY(lock.acquire());
            mover.start(QStringLiteral(TOLVANE_CLI), {QStringLiteral("move"), dashboard(), QStringLiteral("1"),
                                                      QStringLiteral("11"), QStringLiteral("12")});
            QVERIFY(mover.waitForStarted());
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
        QTest::newRow("a directory, save") << "dir" << Operation::Save << "is a directory";
        QTest::newRow("a directory, compile") << "dir" << Operation::Compile << "is a directory";
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
