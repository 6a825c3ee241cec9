// The demo dashboard is what a user opens first and the fixture other tests
// build on. The container is read here byte by byte with QDataStream, not
// through the store's decoders, so a fault shared by the encoder and the
// decoder still shows.

#include "demo/demodashboard.h"
#include "demo/demolayout.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace tolvane;

namespace {

struct ParsedObject
{
    QByteArray chunkName;
    qint16 width = 0, height = 0, xCentre = 0, yCentre = 0, xPos = 0, yPos = 0;
    QByteArray pixels;
};

struct ParsedContainer
{
    QList<QByteArray> directory;
    QList<ParsedObject> objects;
    int skippedChunks = 0;
    int dialRecordAfter = -1; ///< index of the object the DialRecord follows
    QByteArray dialRecord;
    qint64 end = 0;           ///< where the walk stopped
};

bool parseContainer(const QByteArray &bytes, ParsedContainer *parsed)
{
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    const auto raw = [&in](int size) {
        QByteArray data(size, '\0');
        in.readRawData(data.data(), size);
        return data;
    };

    in.skipRawData(12);
    qint32 count = 0;
    in >> count;
    in.skipRawData(4);
    if (count < 1 || count > 64)
        return false;
    for (int i = 0; i < count; ++i) {
        parsed->directory.append(raw(4));
        in.skipRawData(4);
    }
    in.skipRawData(4);

    for (int i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        ParsedObject object;
        for (;;) {
            object.chunkName = raw(4);
            qint32 spare, skipFlag, skipLength;
            in >> spare >> skipFlag >> skipLength;
            if (skipFlag != -1)
                break;
            ++parsed->skippedChunks;
            in.skipRawData(skipLength);
        }
        in >> object.width >> object.height >> object.xCentre >> object.yCentre >> object.xPos >> object.yPos;
        object.pixels = raw(object.width * object.height);
        if (object.chunkName == "0000") {
            parsed->dialRecordAfter = i;
            parsed->dialRecord = raw(120);
        }
        parsed->objects.append(object);
    }
    parsed->end = in.device()->pos();
    return in.status() == QDataStream::Ok;
}

// The used fields of the DialRecord, by their byte offsets.
enum DialOffset {
    ColourX = 24, ColourY = 28, DialWidth = 32, SpeedoX = 40, SpeedoY = 44, MphMax = 60,
    SpeedoMinX = 64, SpeedoMinY = 68, SpeedoMaxX = 72, SpeedoMaxY = 76, TachoX = 80, TachoY = 84,
    RpmMax = 100, TachoMinX = 104, TachoMinY = 108, TachoMaxX = 112, TachoMaxY = 116,
};

qint16 dialValue(const QByteArray &record, int offset)
{
    return qFromLittleEndian<qint16>(record.constData() + offset);
}

QPoint dialPoint(const QByteArray &record, int xOffset, int yOffset)
{
    return QPoint(dialValue(record, xOffset), dialValue(record, yOffset));
}

// Every file and folder under @p path, with the files' contents.
QMap<QString, QByteArray> treeIn(const QString &path)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        QFile file(entry);
        const bool isFile = it.fileInfo().isFile() && file.open(QIODevice::ReadOnly);
        tree.insert(QDir(path).relativeFilePath(entry), isFile ? file.readAll() : QByteArray("<folder>"));
    }
    return tree;
}

} // namespace

class TestDemoDashboard : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_temp;
    QString m_demo;
    ParsedContainer m_container;

    QImage picture(const QString &name) const { return QImage(m_demo + QLatin1Char('/') + name, "BMP"); }
    const ParsedObject &object(int index) const { return m_container.objects.at(index); }
    QString name(int index) const { return QString::fromLatin1(m_container.directory.at(index)); }

    void objectRows()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_container.objects.size(); ++i)
            QTest::newRow(qPrintable(name(i))) << i;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        m_demo = m_temp.filePath(QStringLiteral("cars/demo"));
        const Status status = writeDemoDashboard(m_demo);
        QVERIFY2(status.ok(), qPrintable(status.message()));

        QFile container(m_demo + QStringLiteral("/SHPI.DAT"));
        QVERIFY(container.open(QIODevice::ReadOnly));
        const QByteArray bytes = container.readAll();
        QVERIFY(parseContainer(bytes, &m_container));
        QCOMPARE(m_container.end, bytes.size());
    }

    // --- The container ---

    void containerHasSkippedChunksAndTheDialRecord()
    {
        QVERIFY(m_container.objects.size() >= 5 && m_container.objects.size() <= 7);
        QVERIFY(m_container.skippedChunks >= 1);
        QCOMPARE(m_container.dialRecordAfter, 0);
        QCOMPARE(object(0).width, demo::DashboardSize.width());
        QCOMPARE(object(0).height, demo::DashboardSize.height());
        for (int i = 0; i < m_container.objects.size(); ++i)
            QCOMPARE(object(i).chunkName, m_container.directory.at(i));
    }

    void dialRecordCarriesTextAndUninterpretedValues()
    {
        const QByteArray &record = m_container.dialRecord;
        const QByteArray tag = record.left(10);
        for (char c : tag)
            QVERIFY2(c >= 0x20 && c < 0x7f, tag.constData());

        // Round-trip tests rely on every half the editor leaves alone being
        // non-zero, so that losing one shows.
        const QList<int> used = {ColourX, ColourY, DialWidth, SpeedoX, SpeedoY, MphMax, SpeedoMinX, SpeedoMinY,
                                 SpeedoMaxX, SpeedoMaxY, TachoX, TachoY, RpmMax, TachoMinX, TachoMinY,
                                 TachoMaxX, TachoMaxY};
        for (int offset = 10; offset < 120; offset += 2) {
            if (!used.contains(offset))
                QVERIFY2(dialValue(record, offset) != 0, qPrintable(QStringLiteral("offset %1").arg(offset)));
        }
        QVERIFY(dialValue(record, DialWidth) > 0);
        QVERIFY(dialValue(record, MphMax) > 0);
        QVERIFY(dialValue(record, RpmMax) > 0);
    }

    // --- The files ---

    void directoryHoldsExactlyTheDashboardFiles()
    {
        QStringList expected = {QStringLiteral("SHPI.DAT")};
        for (int i = 0; i < m_container.directory.size(); ++i)
            expected << name(i) + QStringLiteral(".bmp") << QStringLiteral("SHPI") + name(i) + QStringLiteral(".BMP");
        expected.sort();
        QStringList present = treeIn(m_demo).keys();
        present.sort();
        QCOMPARE(present, expected);
    }

    void bitmapsHaveTheObjectsSize_data() { objectRows(); }
    void bitmapsHaveTheObjectsSize()
    {
        QFETCH(int, index);
        const QSize size(object(index).width, object(index).height);

        QFile artworkFile(m_demo + QLatin1Char('/') + name(index) + QStringLiteral(".bmp"));
        QVERIFY(artworkFile.open(QIODevice::ReadOnly));
        const QByteArray header = artworkFile.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(qFromLittleEndian<quint16>(header.constData() + 28), quint16(24));

        QCOMPARE(picture(name(index) + QStringLiteral(".bmp")).size(), size);
        QCOMPARE(picture(QStringLiteral("SHPI") + name(index) + QStringLiteral(".BMP")).size(), size);
    }

    void pixelBlocksAreTheMasksBottomRowFirst_data() { objectRows(); }
    void pixelBlocksAreTheMasksBottomRowFirst()
    {
        QFETCH(int, index);
        const ParsedObject &o = object(index);
        const QImage mask = picture(QStringLiteral("SHPI") + name(index) + QStringLiteral(".BMP"));
        QCOMPARE(mask.size(), QSize(o.width, o.height));
        for (int k = 0; k < o.height; ++k) {
            for (int x = 0; x < o.width; ++x) {
                const int stored = quint8(o.pixels.at(k * o.width + x));
                if (stored != qGray(mask.pixel(x, o.height - 1 - k)))
                    QFAIL(qPrintable(QStringLiteral("block row %1, column %2").arg(k).arg(x)));
            }
        }
    }

    // --- What the user sees ---

    // Composited onto the background as the editor does (the object where
    // the mask is white, the dashboard where it is black), every overlay
    // shows exactly its own artwork: the mask covers all that lights up and
    // the object sits where it was drawn.
    void overlaysShowTheirArtworkThroughTheirMasks_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 1; i < m_container.objects.size(); ++i)
            QTest::newRow(qPrintable(name(i))) << i;
    }
    void overlaysShowTheirArtworkThroughTheirMasks()
    {
        QFETCH(int, index);
        const ParsedObject &o = object(index);
        const QImage background = picture(QStringLiteral("0000.bmp"));
        const QImage artwork = picture(name(index) + QStringLiteral(".bmp"));
        const QImage mask = picture(QStringLiteral("SHPI") + name(index) + QStringLiteral(".BMP"));
        const QPoint topLeft(o.xPos - o.xCentre, o.yPos - o.yCentre);
        QVERIFY(background.rect().contains(QRect(topLeft, artwork.size())));

        int covered = 0, changed = 0;
        for (int y = 0; y < artwork.height(); ++y) {
            for (int x = 0; x < artwork.width(); ++x) {
                const int m = qGray(mask.pixel(x, y));
                QVERIFY2(m == 0 || m == 255, "a grey mask value mixes the bits of image and dashboard");
                const QRgb under = background.pixel(topLeft + QPoint(x, y));
                const QRgb shown = m == 255 ? artwork.pixel(x, y) : under;
                if (shown != artwork.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 of the object is not shown").arg(x).arg(y)));
                covered += m == 255;
                changed += artwork.pixel(x, y) != under;
            }
        }
        QVERIFY2(changed > 0, "the overlay changes nothing on the dashboard");
        QVERIFY2(covered < artwork.width() * artwork.height(), "the mask covers the whole rectangle");
    }

    void needleColourLiesAtTheColourPoint()
    {
        const QImage background = picture(QStringLiteral("0000.bmp"));
        const QPoint point = dialPoint(m_container.dialRecord, ColourX, ColourY);
        // A spot, not a pixel, so that a pick beside it finds the same colour.
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx)
                QCOMPARE(background.pixelColor(point + QPoint(dx, dy)), demo::NeedleColour);
        }
    }

    void needlesFitTheGauges_data()
    {
        QTest::addColumn<int>("pivotX");
        QTest::addColumn<int>("minX");
        QTest::addColumn<int>("maxX");
        QTest::newRow("speedometer") << int(SpeedoX) << int(SpeedoMinX) << int(SpeedoMaxX);
        QTest::newRow("tachometer") << int(TachoX) << int(TachoMinX) << int(TachoMaxX);
    }
    void needlesFitTheGauges()
    {
        QFETCH(int, pivotX);
        QFETCH(int, minX);
        QFETCH(int, maxX);
        const QByteArray &record = m_container.dialRecord;
        const QPoint pivot = dialPoint(record, pivotX, pivotX + 4);
        const QPoint min = dialPoint(record, minX, minX + 4);
        const QPoint max = dialPoint(record, maxX, maxX + 4);
        const auto length = [&pivot](QPoint end) { return std::hypot(end.x() - pivot.x(), end.y() - pivot.y()); };

        QVERIFY(std::abs(length(min) - length(max)) <= 1.5);
        QVERIFY(length(min) > demo::HubRadius && length(min) < demo::FaceRadius);
        // The scale runs clockwise from lower left to lower right.
        QVERIFY(min.x() < pivot.x() && min.y() > pivot.y());
        QVERIFY(max.x() > pivot.x() && max.y() > pivot.y());

        // Both tips lie on the painted end marks of the scale.
        const QImage background = picture(QStringLiteral("0000.bmp"));
        for (const QPoint &tip : {min, max})
            QVERIFY2(qGray(background.pixel(tip)) > 150, qPrintable(QStringLiteral("%1,%2").arg(tip.x()).arg(tip.y())));
    }

    // --- Where it is written ---

    void writesTheSameDashboardEveryTime_data()
    {
        QTest::addColumn<bool>("existsEmpty");
        QTest::newRow("new directory") << false;
        QTest::newRow("existing empty directory") << true;
    }
    void writesTheSameDashboardEveryTime()
    {
        QFETCH(bool, existsEmpty);
        QTemporaryDir temp;
        const QString path = temp.filePath(QStringLiteral("again"));
        if (existsEmpty)
            QVERIFY(QDir().mkdir(path));
        const Status status = writeDemoDashboard(path);
        QVERIFY2(status.ok(), qPrintable(status.message()));
        QVERIFY(treeIn(path) == treeIn(m_demo));
    }

    void refusesWhatIsNotAnEmptyDirectory_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("target");
        QTest::newRow("directory with a file") << QStringLiteral("dir/notes.txt") << QStringLiteral("dir");
        QTest::newRow("directory with a hidden file") << QStringLiteral("dir/.keep") << QStringLiteral("dir");
        QTest::newRow("a file") << QStringLiteral("dir") << QStringLiteral("dir");
        QTest::newRow("below a file") << QStringLiteral("dir") << QStringLiteral("dir/demo");
    }
    void refusesWhatIsNotAnEmptyDirectory()
    {
        QFETCH(QString, entry);
        QFETCH(QString, target);
        QTemporaryDir temp;
        QVERIFY(QDir(temp.path()).mkpath(QFileInfo(entry).path()));
        QFile file(temp.filePath(entry));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the user's own");
        file.close();
        const auto before = treeIn(temp.path());

        const QString path = temp.filePath(target);
        const Status status = writeDemoDashboard(path);
        QVERIFY(!status.ok());
        QVERIFY2(status.message().contains(QDir::toNativeSeparators(path)), qPrintable(status.message()));
        QCOMPARE(treeIn(temp.path()), before);
    }
};

QTEST_MAIN(TestDemoDashboard)
#include "test_demodashboard.moc"
