#include "common/containerbuilder.h"
#include "common/filelinks.h"
#include "common/objectfixture.h"
#include "common/programrun.h"

#include "store/records.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
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

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        const QString &outputFile = QString())
{
    QProcess p;
    p.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        p.setStandardOutputFile(outputFile);
    const ProgramRun r = runToEnd(p, program, arguments);
    return {r.exitCode, QString::fromUtf8(r.out), QString::fromUtf8(r.err)};
}

Run cli(const QStringList &arguments)
{
    return run(QStringLiteral(TOLVANE_CLI), arguments);
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

    void dumpThenApplyLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<bool>("withDialRecord");
        QTest::newRow("dial record, skipped chunks, tail") << true;
        QTest::newRow("no dial record, name needing escapes") << false;
    }

    void dumpThenApplyLeavesTheFileAsItWas()
    {
        QFETCH(bool, withDialRecord);
        ContainerBuilder builder = exampleContainer();
        if (!withDialRecord) {
            builder.objects[1].directoryName = QByteArray("\xE9t\"\x01", 4);
            builder.objects[0].chunkName = "BACK";
        }
        QVERIFY(writeFile(container(), builder.build()));
        const QString json = m_dir->filePath("tables.json");
        QVERIFY(writeFile(json, cli({"dump", dir()}).out.toUtf8()));
        const Run r = cli({"apply", dir(), json});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, "Number of objects: 2\nSaving data for object 0\nSaving data for object 1\n");
        QCOMPARE(readFile(container()), builder.build());
    }

    void applyWritesWhatMoveAndSetDialWrite()
    {
        QString edited = cli({"dump", dir()}).out;
        const QByteArray record = patternDialRecord();
        edited.replace("\"XPos\": 100, \"YPos\": -7", "\"XPos\": -32768, \"YPos\": 32767");
        edited.replace(QStringLiteral("\"MphMax\": %1").arg(int16At(record, 60)), "\"MphMax\": 160");
        const QString json = m_dir->filePath("tables.json");
        QVERIFY(writeFile(json, edited.toUtf8()));
        QCOMPARE(cli({"apply", dir(), json}).exitCode, 0);
        const QByteArray applied = readFile(container());

        QVERIFY(writeFile(container(), exampleContainer().build()));
        QCOMPARE(cli({"move", dir(), "1", "-32768", "32767"}).exitCode, 0);
        QCOMPARE(cli({"set-dial", dir(), "MphMax=160"}).exitCode, 0);
        QCOMPARE(applied, readFile(container()));
        QVERIFY(applied != exampleContainer().build());
    }

    void applyRefusalsChangeNothing_data()
    {
        // Each row edits the dump, replacing the pattern `from` by `to`; the
        // message names `where`.
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("where");
        QTest::newRow("not JSON") << "\"XPos\": 100," << "\"XPos\": 100" << "line 5, column";
        QTest::newRow("an array") << "^([\\s\\S]*)$" << "[\\1]" << "the top level";
        QTest::newRow("unknown key") << "\"XPos\": 100" << "\"xpos\": 100" << "Objects[1].xpos: unknown key";
        QTest::newRow("unknown top-level key") << "\"ObjectCount\"" << "\"Extra\": 1, \"ObjectCount\""
                                               << "Extra: unknown key";
        QTest::newRow("missing key") << ", \"YPos\": -7" << "" << "Objects[1]: the key \"YPos\" is missing";
        QTest::newRow("out of range") << "\"XPos\": 100" << "\"XPos\": 32768" << "Objects[1].XPos: 32768";
        QTest::newRow("not an integer") << "\"XPos\": 100" << "\"XPos\": 100.5" << "Objects[1].XPos: 100.5";
        QTest::newRow("a string") << "\"XPos\": 100" << "\"XPos\": \"100\"" << "Objects[1].XPos: \"100\"";
        QTest::newRow("other name") << "\"0001\"" << "\"0002\"" << "Objects[1].Name";
        QTest::newRow("other name with placeholders")
            << "\"0001\"" << "\"%1%2\"" << "Objects[1].Name: \"%1%2\", but object 1 of SHPI.DAT is \"0001\"";
        QTest::newRow("other size") << "\"Width\": 25" << "\"Width\": 26" << "Objects[1].Width";
        QTest::newRow("other centre") << "\"YCentre\": -2" << "\"YCentre\": 0" << "Objects[1].YCentre";
        QTest::newRow("other count") << "\"ObjectCount\": 2" << "\"ObjectCount\": 3" << "ObjectCount: 3";
        QTest::newRow("object left out") << ",\\s*\\{\"Name\": \"0001\"[^}]*\\}" << ""
                                         << "Objects: 1 in the list";
        QTest::newRow("dial field out of range") << "\"DialWidth\": -?\\d+" << "\"DialWidth\": -40000"
                                                 << "DialRecord.DialWidth: -40000";
        QTest::newRow("dial record null") << "\"DialRecord\": \\{[^}]*\\}" << "\"DialRecord\": null"
                                          << "DialRecord: null";
        // Qt would take the last of two equal keys, and an escape names the same key.
        QTest::newRow("duplicate key") << "\"XPos\": 100" << "\"XPos\": 250, \"X\\u0050os\": 100"
                                       << "Objects[1]: duplicate key \"XPos\" at line 5, column 91";
        QTest::newRow("duplicate top-level key") << "\"ObjectCount\": 2" << "\"ObjectCount\": 2, \"ObjectCount\": 2"
                                                 << "duplicate key \"ObjectCount\" at line 2, column 21";
        QTest::newRow("duplicate dial field") << "\"DialWidth\": (-?\\d+)" << "\"DialWidth\": 0, \"DialWidth\": \\1"
                                              << "DialRecord: duplicate key \"DialWidth\"";
        QTest::newRow("huge value") << "\"XPos\": 100" << "\"XPos\": \"" + QString(1 << 20, 'a') + "\""
                                    << "Objects[1].XPos: \"" + QString(39, 'a') + "... is not a number";
    }

    void applyRefusalsChangeNothing()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, where);
        QString edited = cli({"dump", dir()}).out;
        const QRegularExpression pattern(from);
        QVERIFY2(edited.contains(pattern), qPrintable(from));
        edited.replace(pattern, to);
        const QString json = m_dir->filePath("tables.json");
        QVERIFY(writeFile(json, edited.toUtf8()));
        const QByteArray before = snapshot(dir());
        const Run r = cli({"apply", dir(), json});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("tolvane-cli: " + json + ": " + where), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.size() < 300, qPrintable(r.err.left(300)));
        QCOMPARE(snapshot(dir()), before);
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

    void namesArePrintedWithControlBytesEscaped()
    {
        ContainerBuilder c = exampleContainer();
        c.objects[1].directoryName = "\x1b[2J"; // would clear the terminal
        TestObject third = c.objects[1];
        third.directoryName = QByteArray("a\n\x7f\x9b", 4);
        c.objects.push_back(third);
        QVERIFY(writeFile(container(), c.build()));
        for (const QString command : {"list", "extract", "compile", "dump"}) {
            const Run r = cli({command, dir()});
            QCOMPARE(r.exitCode, 0);
            for (const QChar ch : r.out)
                QVERIFY2(ch == '\n' || ch.category() != QChar::Other_Control, qPrintable(command));
            if (command == "dump") {
                const QJsonArray objects = QJsonDocument::fromJson(r.out.toUtf8()).object()["Objects"].toArray();
                QCOMPARE(objects[2].toObject()["Name"].toString(), QString::fromLatin1(third.directoryName));
            } else {
                QVERIFY2(r.out.contains("Object 1: \\x1b[2J Width") &&
                             r.out.contains("Object 2: a\\x0a\\x7f\\x9b Width"),
                         qPrintable(r.out));
            }
        }
    }

    void namesHoldingPlaceholdersArePrintedAsTheyStand()
    {
        // Two objects share the mask file "SHPI%1%2.BMP", so that the lines
        // naming that file are printed too.
        ContainerBuilder c = exampleContainer();
        c.objects[1].directoryName = "%1%2";
        c.objects.push_back(c.objects[1]);
        QVERIFY(writeFile(container(), c.build()));
        const QString listed = "Object 1: %1%2 Width: 25 Height: 12\nObject 2: %1%2 Width: 25 Height: 12\n";
        QCOMPARE(cli({"list", dir()}).out, "Number of objects: 3\nObject 0: 0000 Width: 8 Height: 5\n" + listed);
        const Run extracted = cli({"extract", dir()});
        QVERIFY2(extracted.out.contains("Object 1: %1%2 Width: 25 Height: 12\nObject 1 shares SHPI%1%2.BMP with "
                                        "object 2, whose mask the file keeps\nExtracting mask..\n"),
                 qPrintable(extracted.out));
        const Run compiled = cli({"compile", dir()});
        QVERIFY2(compiled.out.contains("Object 1: %1%2 Width: 25 Height: 12\nObject 1 keeps its mask: SHPI%1%2.BMP "
                                       "holds the mask of object 2\n"),
                 qPrintable(compiled.out));
    }

    void outputThatCannotBeWrittenFails_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("list") << QStringList{"list", "DIR"};
        QTest::newRow("dump") << QStringList{"dump", "DIR"};
        QTest::newRow("move") << QStringList{"move", "DIR", "1", "2", "3"};
        QTest::newRow("help") << QStringList{"list", "--help"};
    }

    void outputThatCannotBeWrittenFails()
    {
        QFETCH(QStringList, arguments);
        arguments.replaceInStrings("DIR", dir());
        const Run r = run(QStringLiteral(TOLVANE_CLI), arguments, QProcessEnvironment::systemEnvironment(),
                          QStringLiteral("/dev/full"));
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, "tolvane-cli: standard output: cannot be written: No space left on device\n");
    }

    void stderrCarriesOnlyTheProgramsMessages()
    {
        // As for root or in a container; Qt's GUI start-up asks for the
        // runtime directory and warns. Its other messages still arrive.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("XDG_RUNTIME_DIR");
        const Run demo = run(QStringLiteral(TOLVANE_CLI), {"demo", m_dir->filePath("demo")}, environment);
        QCOMPARE(demo.exitCode, 0);
        QCOMPARE(demo.err, QString());

        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("TOLVANE_EXIT_AFTER_FIRST_PAINT", "1");
        environment.insert("XDG_CONFIG_HOME", m_dir->filePath("settings"));
        environment.insert("QT_LOGGING_RULES", "qt.qpa.plugin=true");
        const Run editor = run(QStringLiteral(TOLVANE_EDITOR), {m_dir->filePath("demo")}, environment);
        QCOMPARE(editor.exitCode, 0);
#ifdef Q_OS_WIN
        // A Windows program without a console gives Qt's messages to the
        // debugger, and there is no runtime directory to warn about.
        QCOMPARE(editor.err, QString());
#else
        QVERIFY2(!editor.err.contains("XDG_RUNTIME_DIR") && editor.err.contains("qt.qpa.plugin"),
                 qPrintable(editor.err));
#endif
    }

    void helpForEachCommand()
    {
        for (const QString command : {"list", "dump", "move", "set-dial", "apply", "extract", "compile", "demo", "render"}) {
            const Run r = cli({command, "--help"});
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(r.out.contains("tolvane-cli " + command), qPrintable(r.out));
        }
    }

    void renderCompositesTheSelectedObject_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("inside the picture") << 1;
        QTest::newRow("past the left and top edges, larger mask") << 2;
        QTest::newRow("smaller mask") << 3;
    }

    void renderCompositesTheSelectedObject()
    {
        QFETCH(int, index);
        const FixtureDashboard dashboard = FixtureDashboard::standard();
        QVERIFY(dashboard.write(dir()));
        QTemporaryDir elsewhere;
        const QString out = elsewhere.filePath("dash.png");

        const Run r = cli({"render", dir(), out, "--select", QString::number(index)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        const QImage rendered(out);
        const QImage expected = dashboard.expected(index);
        QVERIFY2(samePixels(rendered, expected), qPrintable(firstDifference(rendered, expected)));
    }

    void renderShowsTheMaskRule()
    {
        // The rule itself, on the pixels of the first object: white shows the
        // artwork, black the background, whatever the other holds.
        const FixtureDashboard dashboard = FixtureDashboard::standard();
        QVERIFY(dashboard.write(dir()));
        const QString out = m_dir->filePath("dash.png");
        QCOMPARE(cli({"render", dir(), out, "--select=1"}).exitCode, 0);
        const QImage rendered = QImage(out).convertToFormat(QImage::Format_RGB32);
        const FixtureObject &o = dashboard.objects[0];
        int white = 0, black = 0, grey = 0;
        for (int y = 0; y < o.image.height(); ++y)
            for (int x = 0; x < o.image.width(); ++x) {
                const QPoint at = o.topLeft() + QPoint(x, y);
                const int level = qRed(o.mask.pixel(x, y));
                if (level == 255) {
                    QCOMPARE(rendered.pixel(at), o.image.pixel(x, y));
                    ++white;
                } else if (level == 0) {
                    QCOMPARE(rendered.pixel(at), dashboard.background.pixel(at));
                    ++black;
                } else {
                    ++grey;
                }
            }
        QVERIFY(white > 0 && black > 0 && grey > 0);
    }

    void renderAllComposesEveryObjectInTableOrder()
    {
        // The demo dashboard with its second overlay moved half over the
        // first, so that the order of drawing shows.
        const QString demo = m_dir->filePath("demo");
        QCOMPARE(cli({"demo", demo}).exitCode, 0);
        const QJsonArray placed = QJsonDocument::fromJson(cli({"dump", demo}).out.toUtf8())["Objects"].toArray();
        const QString firstX = QString::number(placed[1]["XPos"].toInt() + 20);
        const QString firstY = QString::number(placed[1]["YPos"].toInt() + 10);
        QCOMPARE(cli({"move", demo, "2", firstX, firstY}).exitCode, 0);
        const QJsonArray objects = QJsonDocument::fromJson(cli({"dump", demo}).out.toUtf8())["Objects"].toArray();

        const auto bitmap = [&](const QString &fileName) {
            const QStringList found = QDir(demo).entryList({fileName}, QDir::Files);
            return found.size() == 1 ? QImage(QDir(demo).filePath(found[0])) : QImage();
        };
        const auto expected = [&](std::optional<int> selected) {
            QList<int> order;
            for (int i = 1; i < objects.size(); ++i)
                if (i != selected)
                    order.append(i);
            if (selected)
                order.append(*selected);
            QImage picture = bitmap("0000.bmp");
            for (int i : order) {
                const QJsonObject o = objects[i].toObject();
                const QString name = o["Name"].toString();
                picture = expectedComposite(picture, bitmap(name + ".bmp"), bitmap("SHPI" + name + ".bmp"),
                                            QPoint(o["XPos"].toInt() - o["XCentre"].toInt(),
                                                   o["YPos"].toInt() - o["YCentre"].toInt()));
            }
            return picture;
        };
        QVERIFY(expected(std::nullopt) != expected(1));

        const QString out = m_dir->filePath("all.png");
        for (const std::optional<int> selected : {std::optional<int>(), std::optional<int>(1)}) {
            const QStringList select = selected ? QStringList{"--select", "1"} : QStringList{};
            const Run r = cli(QStringList{"render", demo, out, "--all"} + select);
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.err, QString());
            QVERIFY2(samePixels(QImage(out), expected(selected)),
                     qPrintable(firstDifference(QImage(out), expected(selected))));
        }
    }

    void renderAllLeavesOutWhatCannotBeRead()
    {
        const FixtureDashboard dashboard = FixtureDashboard::standard();
        QVERIFY(dashboard.write(dir()));
        QVERIFY(QFile::remove(m_dir->filePath("shpiDIAL.bmp")));
        const QString out = m_dir->filePath("all.png");
        const Run r = cli({"render", dir(), out, "--all"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.startsWith("tolvane-cli: ") && r.err.contains("object 2: ") &&
                     r.err.contains("SHPIDIAL.BMP") && r.err.count('\n') == 1,
                 qPrintable(r.err));
        QImage expected = dashboard.expected(1);
        const FixtureObject &lamp = dashboard.objects[2];
        expected = expectedComposite(expected, lamp.image, lamp.mask, lamp.topLeft());
        QVERIFY2(samePixels(QImage(out), expected), qPrintable(firstDifference(QImage(out), expected)));
    }

    void renderWithoutSelectionShowsTheBackground_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("no option") << QStringList{};
        QTest::newRow("first entry") << QStringList{"--select", "0"};
    }

    void renderWithoutSelectionShowsTheBackground()
    {
        QFETCH(QStringList, options);
        const FixtureDashboard dashboard = FixtureDashboard::standard();
        QVERIFY(dashboard.write(dir()));
        const QString out = m_dir->filePath("dash.png");
        QCOMPARE(cli(QStringList{"render", dir(), out} + options).exitCode, 0);
        QVERIFY(samePixels(QImage(out), dashboard.background));
    }

    void renderDrawsTheDialsUnderTheObject()
    {
        // Needles of width 1: the speedometer's lies along row 30 from one
        // pixel past its pivot; the tachometer's has length 0 and shows only
        // its dots. The colour comes from the background at (ColourX, ColourY).
        FixtureDashboard dashboard = FixtureDashboard::standard();
        tolvane::DialRecord dials;
        const QList<QPair<tolvane::DialField, int>> fields = {
            {tolvane::DialField::DialWidth, 1}, {tolvane::DialField::ColourX, 40},
            {tolvane::DialField::ColourY, 2},   {tolvane::DialField::SpeedoX, 2},
            {tolvane::DialField::SpeedoY, 30},  {tolvane::DialField::SpeedoMinX, 12},
            {tolvane::DialField::SpeedoMinY, 30}, {tolvane::DialField::SpeedoMaxX, 12},
            {tolvane::DialField::SpeedoMaxY, 30}, {tolvane::DialField::TachoX, 33},
            {tolvane::DialField::TachoY, 27},   {tolvane::DialField::TachoMinX, 33},
            {tolvane::DialField::TachoMinY, 27}, {tolvane::DialField::TachoMaxX, 33},
            {tolvane::DialField::TachoMaxY, 27}};
        for (const auto &[field, value] : fields)
            dials.setField(field, int16_t(value));
        dashboard.dialRecord = QByteArray(tolvane::DialRecord::Size, 0);
        dials.encode(dashboard.dialRecord.data());
        QVERIFY(dashboard.write(dir()));

        QImage expected = dashboard.background.convertToFormat(QImage::Format_RGB32);
        const QRgb needle = expected.pixel(40, 2);
        for (int x = 3; x <= 12; ++x)
            expected.setPixel(x, 30, needle);
        for (const QPoint dot : {QPoint(2, 30), QPoint(12, 30), QPoint(33, 27)})
            expected.setPixel(dot, qRgb(255, 0, 0));

        const QString out = m_dir->filePath("dials.png");
        const Run r = cli({"render", dir(), out, "--dials"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        QVERIFY2(samePixels(QImage(out), expected), qPrintable(firstDifference(QImage(out), expected)));

        // The object lies over the tachometer's dot and is drawn last.
        const FixtureObject &lamp = dashboard.objects[2];
        expected = expectedComposite(expected, lamp.image, lamp.mask, lamp.topLeft());
        QCOMPARE(cli({"render", dir(), out, "--dials", "--select", "3"}).exitCode, 0);
        QVERIFY2(samePixels(QImage(out), expected), qPrintable(firstDifference(QImage(out), expected)));
    }

    void renderRefusalsWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("named");
        QTest::newRow("index not a number") << QStringList{"--select", "one"} << QString() << 2 << "one";
        QTest::newRow("negative index") << QStringList{"--select", "-1"} << QString() << 2 << "-1";
        QTest::newRow("index out of range") << QStringList{"--select", "4"} << QString() << 2 << "4";
        QTest::newRow("index missing") << QStringList{"--select"} << QString() << 2 << "INDEX";
        QTest::newRow("unknown option") << QStringList{"--zoom"} << QString() << 2 << "--zoom";
        QTest::newRow("missing artwork") << QStringList{"--select", "1"} << "0001.BMP" << 1 << "0001.bmp";
        QTest::newRow("missing mask") << QStringList{"--select", "2"} << "shpiDIAL.bmp" << 1 << "SHPIDIAL.BMP";
        QTest::newRow("all, selected one missing") << QStringList{"--all", "--select", "2"} << "shpiDIAL.bmp" << 1
                                                   << "SHPIDIAL.BMP";
        QTest::newRow("missing background") << QStringList{} << "0000.bmp" << 1 << "0000.bmp";
        QTest::newRow("missing container") << QStringList{} << "SHPI.DAT" << 1 << "SHPI.DAT";
    }

    void renderRefusalsWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, removed);
        QFETCH(int, exitCode);
        QFETCH(QString, named);
        QVERIFY(FixtureDashboard::standard().write(dir()));
        if (!removed.isEmpty())
            QVERIFY(QFile::remove(m_dir->filePath(removed)));
        QTemporaryDir elsewhere;
        const QString out = elsewhere.filePath("dash.png");
        const Run r = cli(QStringList{"render", dir(), out} + arguments);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith("tolvane-cli: ") && r.err.contains(named), qPrintable(r.err));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    void renderNeverWritesADashboardFile_data()
    {
        // DIR is the dashboard, OUT another directory; a link is made at
        // "link" pointing to "target", a hard one when "hard" is set.
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("hard");
        QTest::addColumn<QString>("named");
        const QString none;
        QTest::newRow("container") << "DIR/SHPI.DAT" << none << none << false << "SHPI.DAT";
        QTest::newRow("container, other case") << "DIR/shpi.dat" << none << none << false << "SHPI.DAT";
        QTest::newRow("background") << "DIR/0000.BMP" << none << none << false << "0000.bmp";
        QTest::newRow("artwork") << "DIR/dial.bmp" << none << none << false << "DIAL.bmp";
        QTest::newRow("mask") << "DIR/SHPIlamp.BMP" << none << none << false << "SHPIlamp.BMP";
        QTest::newRow("artwork not there yet") << "DIR/LAMP.BMP" << none << none << false << "lamp.bmp";
        QTest::newRow("through ..") << "DIR/../DIRNAME/SHPI.DAT" << none << none << false << "SHPI.DAT";
        QTest::newRow("through a link") << "OUT/dash.png" << "OUT/dash.png" << "DIR/SHPI.DAT" << false
                                        << "SHPI.DAT";
        QTest::newRow("through a linked directory") << "OUT/dash/0000.bmp" << "OUT/dash" << "DIR" << false
                                                    << "0000.bmp";
        QTest::newRow("a hard link") << "OUT/dash.png" << "OUT/dash.png" << "DIR/shpi0001.bmp" << true
                                     << "SHPI0001.BMP";
    }

    void renderNeverWritesADashboardFile()
    {
        QFETCH(QString, output);
        QFETCH(QString, link);
        QFETCH(QString, target);
        QFETCH(bool, hard);
        QFETCH(QString, named);
        QVERIFY(FixtureDashboard::standard().write(dir()));
        QVERIFY(QFile::remove(m_dir->filePath("lamp.BMP")));
        QTemporaryDir elsewhere;
        const auto expand = [&](const QString &path) {
            const QString root = path.startsWith("OUT") ? elsewhere.path() : dir();
            return QString(root + path.mid(3)).replace("DIRNAME", QFileInfo(dir()).fileName());
        };
        if (!link.isEmpty()) {
            if (hard)
                QVERIFY(makeHardLink(expand(target), expand(link)));
            else
                REQUIRE_SYMBOLIC_LINK(expand(target), expand(link));
        }
        const QByteArray dashboardBefore = snapshot(dir());
        const QByteArray elsewhereBefore = snapshot(elsewhere.path());

        const Run r = cli({"render", dir(), expand(output)});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("own file \"%1\"").arg(named)), qPrintable(r.err));
        QCOMPARE(snapshot(dir()), dashboardBefore);
        QCOMPARE(snapshot(elsewhere.path()), elsewhereBefore);
    }

    void renderUnreadableArtworkIsNamed()
    {
        QVERIFY(FixtureDashboard::standard().write(dir()));
        QVERIFY(writeFile(m_dir->filePath("0001.BMP"), "BM not really a bitmap"));
        const QString out = m_dir->filePath("dash.png");
        const Run r = cli({"render", dir(), out, "--select", "1"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("0001.BMP"), qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
    }

    // A name a file may have is one render may write, up to the longest;
    // nothing of its staging is left.
    void renderWritesTheLongestNames()
    {
        QVERIFY(FixtureDashboard::standard().write(dir()));
        QTemporaryDir elsewhere;
        const QString name = QString(251, QLatin1Char('d')) + QStringLiteral(".png");
        const Run r = cli({"render", dir(), elsewhere.filePath(name)});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    // What a killed render of the same name left is removed; another's stays.
    void renderRemovesTheLeftoversOfItsName()
    {
        QVERIFY(FixtureDashboard::standard().write(dir()));
        QTemporaryDir elsewhere;
        QVERIFY(writeFile(elsewhere.filePath(".dash.png.tolvane~aB3xYz"), "killed"));
        QVERIFY(writeFile(elsewhere.filePath(".other.png.tolvane~aB3xYz"), "running"));
        QCOMPARE(cli({"render", dir(), elsewhere.filePath("dash.png")}).exitCode, 0);
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({".other.png.tolvane~aB3xYz", "dash.png"}));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
