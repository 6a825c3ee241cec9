#include "common/containerbuilder.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace testing_support;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(TOLVANE_CLI), arguments);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Names, sizes and contents of everything in a directory.
QByteArray snapshot(const QString &dir)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList names;
    while (it.hasNext())
        names.append(it.next());
    names.sort();
    for (const QString &name : names) {
        hash.addData(name.toUtf8());
        hash.addData(readFile(name));
    }
    return hash.result();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString dir() const { return m_dir->path(); }
    QString container() const { return m_dir->filePath("SHPI.DAT"); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(writeFile(container(), exampleContainer().build()));
    }

    void listPrintsTheListing()
    {
        const Run r = cli({"list", dir()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, "Number of objects: 2\nObject 0: 0000 Width: 8 Height: 5\n"
                        "Object 1: 0001 Width: 25 Height: 12\n");
    }

    void dumpGivesTheTablesAsJson()
    {
        const Run r = cli({"dump", dir()});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(json["ObjectCount"].toInt(), 2);
        const QJsonObject second = json["Objects"].toArray()[1].toObject();
        QCOMPARE(second["Name"].toString(), "0001");
        QCOMPARE(second["XCentre"].toInt(), 3);
        QCOMPARE(second["YPos"].toInt(), -7);
        const QJsonObject dial = json["DialRecord"].toObject();
        QCOMPARE(dial.size(), 17);
        const QByteArray record = patternDialRecord();
        QCOMPARE(dial["RpmMax"].toInt(), int16At(record, 100));
        QCOMPARE(dial["ColourY"].toInt(), int16At(record, 28));

        ContainerBuilder noDial = exampleContainer();
        noDial.objects[0].directoryName = QByteArray("\xE9t\"\x01", 4);
        noDial.objects[0].chunkName = "BACK";
        QVERIFY(writeFile(container(), noDial.build()));
        const QJsonObject other = QJsonDocument::fromJson(cli({"dump", dir()}).out.toUtf8()).object();
        QVERIFY(other["DialRecord"].isNull());
        QCOMPARE(other["Objects"].toArray()[0].toObject()["Name"].toString(), QString::fromLatin1("\xE9t\"\x01", 4));
    }

    void moveAndSetDialSaveInPlace()
    {
        const Run moved = cli({"move", dir(), "1", "-5", "-12"});
        QCOMPARE(moved.exitCode, 0);
        QCOMPARE(moved.out, "Number of objects: 2\nSaving data for object 0\nSaving data for object 1\n");
        const QJsonObject json = QJsonDocument::fromJson(cli({"dump", dir()}).out.toUtf8()).object();
        QCOMPARE(json["Objects"].toArray()[1].toObject()["XPos"].toInt(), -5);
        QCOMPARE(json["Objects"].toArray()[1].toObject()["YPos"].toInt(), -12);

        QCOMPARE(cli({"set-dial", dir(), "MphMax=160", "ColourX=-3"}).exitCode, 0);
        const QJsonObject dial = QJsonDocument::fromJson(cli({"dump", dir()}).out.toUtf8()).object()["DialRecord"].toObject();
        QCOMPARE(dial["MphMax"].toInt(), 160);
        QCOMPARE(dial["ColourX"].toInt(), -3);
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unknown command") << QStringList{"frobnicate", "DIR"} << 2;
        QTest::newRow("too few arguments") << QStringList{"move", "DIR", "1"} << 2;
        QTest::newRow("too many arguments") << QStringList{"list", "DIR", "DIR"} << 2;
        QTest::newRow("index out of range") << QStringList{"move", "DIR", "2", "0", "0"} << 2;
        QTest::newRow("position out of range") << QStringList{"move", "DIR", "1", "32768", "0"} << 2;
        QTest::newRow("unknown field") << QStringList{"set-dial", "DIR", "Speed=1"} << 2;
        QTest::newRow("value not an integer") << QStringList{"set-dial", "DIR", "MphMax=1.5"} << 2;
        QTest::newRow("value out of range") << QStringList{"set-dial", "DIR", "MphMax=-32769"} << 2;
        QTest::newRow("missing directory") << QStringList{"list", "DIR/nowhere"} << 1;
        QTest::newRow("compile without masks") << QStringList{"compile", "DIR"} << 1;
    }

    void refusalsChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        arguments.replaceInStrings("DIR", dir());
        const QByteArray before = snapshot(dir());
        const Run r = cli(arguments);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith("tolvane-cli: "), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(snapshot(dir()), before);
    }

    void setDialNeedsADialRecord()
    {
        ContainerBuilder noDial = exampleContainer();
        noDial.objects[0].chunkName = "BACK";
        QVERIFY(writeFile(container(), noDial.build()));
        const Run r = cli({"set-dial", dir(), "MphMax=1"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(readFile(container()), noDial.build());
    }

    void extractThenCompileRoundTrips()
    {
        const QByteArray before = readFile(container());
        const Run extracted = cli({"extract", dir()});
        QCOMPARE(extracted.exitCode, 0);
        QVERIFY(extracted.out.contains("Object 1: 0001 Width: 25 Height: 12\nExtracting mask..\n"));
        const Run compiled = cli({"compile", dir()});
        QCOMPARE(compiled.exitCode, 0);
        QVERIFY(compiled.out.contains("Inserting mask..\n"));
        QCOMPARE(readFile(container()), before);
    }

    void helpForEachCommand()
    {
        for (const QString &command : {"list", "dump", "move", "set-dial", "extract", "compile", "demo"}) {
            const Run r = cli({command, "--help"});
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(r.out.contains("tolvane-cli " + command), qPrintable(r.out));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
