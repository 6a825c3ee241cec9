// tolvane-cli check, run as the real binary on dashboards made here.

#include "common/containerbuilder.h"
#include "common/programrun.h"
#include "store/windowsnames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace testing_support;

namespace {

ProgramRun cli(const QStringList &arguments)
{
    return runToEnd(QStringLiteral(TOLVANE_CLI), arguments);
}

void putInt16At(QByteArray &bytes, int offset, int value)
{
    bytes[offset] = char(value & 0xff);
    bytes[offset + 1] = char((value >> 8) & 0xff);
}

// A 40 x 30 background "0000" and a 6 x 4 object "ab01" inside it, with
// needles, colour point and numbers that are all in order.
ContainerBuilder cleanContainer()
{
    ContainerBuilder c;
    TestObject background;
    background.directoryName = "0000";
    background.width = 40;
    background.height = 30;
    TestObject light;
    light.directoryName = "ab01";
    light.width = 6;
    light.height = 4;
    light.xCentre = 1;
    light.yCentre = 1;
    light.xPos = 10;
    light.yPos = 10;
    c.objects = {background, light};
    // Offsets of SpeedoX, SpeedoY, SpeedoMinX ... TachoMaxY, ColourX, ColourY,
    // MphMax, RpmMax, DialWidth with their values.
    const std::vector<std::pair<int, int>> fields = {
        {40, 10}, {44, 20}, {64, 5},  {68, 25}, {72, 15},  {76, 25},  {80, 30}, {84, 20}, {104, 25},
        {108, 25}, {112, 35}, {116, 25}, {24, 2}, {28, 2}, {60, 160}, {100, 8000}, {32, 2}};
    for (const auto &[offset, value] : fields)
        putInt16At(c.dialRecord, offset, value);
    return c;
}

// Writes the container, each object's artwork, and its masks through extract.
void writeDashboard(const QString &dir, const ContainerBuilder &c)
{
    QVERIFY(writeFile(dir + "/SHPI.DAT", c.build()));
    for (const TestObject &o : c.objects) {
        // An object whose name no Windows file may carry has no files.
        const QString name = QString::fromLatin1(o.directoryName);
        if (tolvane::windowsReadsOtherwise(name))
            continue;
        QImage artwork(o.width, o.height, QImage::Format_RGB32);
        artwork.fill(qRgb(200, 40, 40));
        QVERIFY(artwork.save(dir + "/" + QString::fromLatin1(o.directoryName) + ".bmp", "BMP"));
    }
    QCOMPARE(cli({QStringLiteral("extract"), dir}).exitCode, 0);
}

void truncateFile(const QString &path, qint64 by)
{
    QFile f(path);
    QVERIFY(f.resize(f.size() - by));
}

void changeMaskPixel(const QString &path)
{
    // The first pixel, after the 54 bytes of headers and the 256 palette entries.
    QByteArray bytes = readFile(path);
    bytes[1078] = char(~bytes[1078]);
    QVERIFY(writeFile(path, bytes));
}

struct Case
{
    std::function<void(ContainerBuilder &)> tables = [](ContainerBuilder &) {};
    std::function<void(const QString &dir)> files = [](const QString &) {};
};

const QString Mask = QStringLiteral("SHPIab01.BMP");

const QMap<QString, Case> &cases()
{
    static const QMap<QString, Case> all = {
        {"unreadable container", {.files = [](const QString &d) { truncateFile(d + "/SHPI.DAT", 30); }}},
        {"no dial chunk", {.tables = [](ContainerBuilder &c) { c.objects[0].chunkName = "000X"; }}},
        {"two dial chunks", {.tables = [](ContainerBuilder &c) { c.objects[1].chunkName = "0000"; }}},
        {"artwork missing", {.files = [](const QString &d) { QVERIFY(QFile::remove(d + "/ab01.bmp")); }}},
        {"artwork a directory",
         {.files = [](const QString &d) { QVERIFY(QFile::remove(d + "/ab01.bmp") && QDir(d).mkdir("AB01.BMP")); }}},
        {"artwork cut short", {.files = [](const QString &d) { truncateFile(d + "/ab01.bmp", 5); }}},
        {"artwork of another size",
         {.files = [](const QString &d) { QVERIFY(QImage(7, 4, QImage::Format_RGB32).save(d + "/ab01.bmp")); }}},
        {"mask missing", {.files = [](const QString &d) { QVERIFY(QFile::remove(d + "/" + Mask)); }}},
        {"mask a directory",
         {.files = [](const QString &d) { QVERIFY(QFile::remove(d + "/" + Mask) && QDir(d).mkdir(Mask.toLower())); }}},
        {"mask unreadable", {.files = [](const QString &d) { QVERIFY(writeFile(d + "/" + Mask, "no bitmap")); }}},
        {"mask cut short", {.files = [](const QString &d) { truncateFile(d + "/" + Mask, 3); }}},
        {"mask of another size",
         {.files = [](const QString &d) { QVERIFY(QImage(6, 5, QImage::Format_RGB32).save(d + "/" + Mask)); }}},
        {"shared mask file",
         {.tables = [](ContainerBuilder &c) {
              c.objects.push_back(c.objects[1]);
              c.objects[2].directoryName = "AB01";
          }}},
        {"name Windows reads as a device",
         {.tables = [](ContainerBuilder &c) { c.objects[1].directoryName = "COM1"; }}},
        {"name with a control byte",
         {.tables = [](ContainerBuilder &c) { c.objects[1].directoryName = QByteArray("a\x01" "01", 4); }}},
        {"partly outside", {.tables = [](ContainerBuilder &c) { c.objects[1].xPos = 38; }}},
        {"wholly outside", {.tables = [](ContainerBuilder &c) { c.objects[1].yPos = -20; }}},
        {"centre outside", {.tables = [](ContainerBuilder &c) { c.objects[1].xCentre = 6; }}},
        {"pivot outside", {.tables = [](ContainerBuilder &c) { putInt16At(c.dialRecord, 44, 30); }}},
        {"needle end outside", {.tables = [](ContainerBuilder &c) { putInt16At(c.dialRecord, 116, -1); }}},
        {"colour point outside", {.tables = [](ContainerBuilder &c) { putInt16At(c.dialRecord, 24, 40); }}},
        {"MphMax zero", {.tables = [](ContainerBuilder &c) { putInt16At(c.dialRecord, 60, 0); }}},
        {"RpmMax below zero", {.tables = [](ContainerBuilder &c) { putInt16At(c.dialRecord, 100, -5); }}},
        {"needle width zero", {.tables = [](ContainerBuilder &c) { putInt16At(c.dialRecord, 32, 0); }}},
        {"mask edited", {.files = [](const QString &d) { changeMaskPixel(d + "/" + Mask); }}},
        {"container newer than mask",
         {.files = [](const QString &d) {
              changeMaskPixel(d + "/" + Mask);
              QFile mask(d + "/" + Mask);
              QVERIFY(mask.open(QIODevice::ReadWrite));
              QVERIFY(mask.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                       QFileDevice::FileModificationTime));
          }}},
        {"staging file", {.files = [](const QString &d) { QVERIFY(writeFile(d + "/.SHPI.DAT.tolvane~a1B2c3", "")); }}},
    };
    return all;
}

} // namespace

class TestCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachFinding_data()
    {
        QTest::addColumn<QString>("severity");
        QTest::addColumn<QJsonValue>("object");
        QTest::addColumn<QJsonValue>("field");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("what");

        const QJsonValue none;
        QTest::newRow("unreadable container") << "error" << none << none << "SHPI.DAT" << "cannot be read";
        QTest::newRow("no dial chunk") << "error" << none << none << "SHPI.DAT" << "no chunk is named \"0000\"";
        QTest::newRow("two dial chunks") << "error" << none << none << "SHPI.DAT" << "2 chunks are named \"0000\"";
        QTest::newRow("artwork missing") << "error" << QJsonValue(1) << none << "ab01.bmp" << "does not exist";
        QTest::newRow("artwork a directory") << "error" << QJsonValue(1) << none << "ab01.bmp" << "is a directory";
        QTest::newRow("artwork cut short") << "error" << QJsonValue(1) << none << "ab01.bmp" << "cut short";
        QTest::newRow("artwork of another size") << "error" << QJsonValue(1) << none << "ab01.bmp"
                                                 << "the picture is 7 x 4, the object 6 x 4";
        QTest::newRow("mask missing") << "error" << QJsonValue(1) << none << Mask << "does not exist";
        QTest::newRow("mask a directory") << "error" << QJsonValue(1) << none << Mask << "is a directory";
        QTest::newRow("mask unreadable") << "error" << QJsonValue(1) << none << Mask << "";
        QTest::newRow("mask cut short") << "error" << QJsonValue(1) << none << Mask << "cut short";
        QTest::newRow("mask of another size") << "error" << QJsonValue(1) << none << Mask << "6 x 5";
        QTest::newRow("shared mask file") << "error" << QJsonValue(1) << none << Mask
                                          << "object 2 (AB01) has the same mask file";
        QTest::newRow("name Windows reads as a device") << "error" << QJsonValue(1) << none << "SHPICOM1.BMP"
                                                        << "Windows cannot take the name";
        QTest::newRow("name with a control byte") << "error" << QJsonValue(1) << none << "" << "control bytes";
        QTest::newRow("partly outside") << "warning" << QJsonValue(1) << none << "SHPI.DAT" << "partly outside";
        QTest::newRow("wholly outside") << "warning" << QJsonValue(1) << none << "SHPI.DAT" << "wholly outside";
        QTest::newRow("centre outside") << "warning" << QJsonValue(1) << none << "SHPI.DAT"
                                        << "centre (6, 1) lies outside";
        QTest::newRow("pivot outside") << "warning" << none << QJsonValue("SpeedoX") << "SHPI.DAT"
                                       << "speedometer needle's pivot (10, 30)";
        QTest::newRow("needle end outside") << "warning" << none << QJsonValue("TachoMaxX") << "SHPI.DAT"
                                            << "tachometer needle's end at RpmMax (35, -1)";
        QTest::newRow("colour point outside") << "warning" << none << QJsonValue("ColourX") << "SHPI.DAT"
                                              << "colour's point (40, 2)";
        QTest::newRow("MphMax zero") << "warning" << none << QJsonValue("MphMax") << "SHPI.DAT"
                                     << "MphMax is 0, less than 1";
        QTest::newRow("RpmMax below zero") << "warning" << none << QJsonValue("RpmMax") << "SHPI.DAT"
                                           << "RpmMax is -5";
        QTest::newRow("needle width zero") << "warning" << none << QJsonValue("DialWidth") << "SHPI.DAT"
                                           << "DialWidth is 0";
        QTest::newRow("mask edited") << "warning" << QJsonValue(1) << none << Mask << "edited but not compiled";
        QTest::newRow("container newer than mask") << "warning" << QJsonValue(1) << none << Mask
                                                   << "SHPI.DAT, which is newer";
        QTest::newRow("staging file") << "warning" << none << none << ".SHPI.DAT.tolvane~a1B2c3" << "staging file";
    }

    // Each fault, made alone in a clean dashboard, is the one finding.
    void eachFinding()
    {
        QFETCH(QString, severity);
        QFETCH(QJsonValue, object);
        QFETCH(QJsonValue, field);
        QFETCH(QString, file);
        QFETCH(QString, what);

        const Case &made = cases()[QString::fromLatin1(QTest::currentDataTag())];
        QTemporaryDir dir;
        ContainerBuilder c = cleanContainer();
        made.tables(c);
        writeDashboard(dir.path(), c);
        made.files(dir.path());

        const ProgramRun r = cli({QStringLiteral("check"), dir.path(), QStringLiteral("--json")});
        QCOMPARE(r.exitCode, severity == "error" ? 1 : 0);
        const QJsonArray findings = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(findings.size(), 1);
        const QJsonObject finding = findings[0].toObject();
        QCOMPARE(finding["severity"].toString(), severity);
        QCOMPARE(finding["object"], object);
        QCOMPARE(finding["field"], field);
        QCOMPARE(finding["file"].toString(), file);
        QVERIFY2(finding["what"].toString().contains(what), qPrintable(finding["what"].toString()));
        QVERIFY(!finding["todo"].toString().isEmpty());
    }

    // The demo dashboard is clean, and the check leaves it as it was.
    void demoIsClean()
    {
        QTemporaryDir dir;
        const QString demo = dir.filePath(QStringLiteral("demo"));
        QCOMPARE(cli({QStringLiteral("demo"), demo}).exitCode, 0);
        const QStringList before = QDir(demo).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const ProgramRun r = cli({QStringLiteral("check"), demo});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("0 errors, 0 warnings\n"));
        QCOMPARE(QDir(demo).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(cli({QStringLiteral("check"), demo, QStringLiteral("--xml")}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
