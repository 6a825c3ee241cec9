#include "common/bitmapbytes.h"
#include "pictures/picturesurface.h"

#include <QDir>
#include <QFontMetrics>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

#include <cmath>
#include <limits>

using namespace tolvane;
using namespace testing_support;

namespace {

constexpr OleColor white = 0xFFFFFF;
constexpr OleColor red = 0x0000FF;

// BMP files written byte by byte, so that depths and layouts QImage::save
// never produces are read too.
QByteArray bmpFile(int width, int height, int bitCount, int compression,
                   const QList<QRgb> &palette, const QByteArray &pixels)
{
    QByteArray colours;
    for (QRgb c : palette)
        colours.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    return handMadeBitmap(width, height, bitCount, compression, colours, pixels);
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}


// A picture in which every pixel differs from its neighbours.
QImage patternPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x * 3 + y * 5) % 256));
    return picture;
}

OleColor pointOf(const PictureSurface &surface, int x, int y)
{
    return surface.pixel(x, y).value_or(0xDEADBEEF);
}

// The stored pixel, alpha byte included, which QImage::pixel() hides for RGB32.
quint32 rawPixel(const QImage &image, int x, int y)
{
    return reinterpret_cast<const quint32 *>(image.constScanLine(y))[x];
}

int regionArea(const QRegion &region)
{
    int area = 0;
    for (const QRect &r : region)
        area += r.width() * r.height();
    return area;
}

} // namespace

class TestPictureSurface : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colourByteOrder();

    void rasterOps_data();
    void rasterOps();
    void blitClipping_data();
    void blitClipping();
    void blitOntoItself();
    void maskComposite();

    void clearRestoresPicture_data();
    void clearRestoresPicture();
    void clearRepaintsOnlyWhatWasDrawn();

    void drawingNotPersistentReachesScreenOnly();
    void clearWithDrawingNotPersistentKeepsPersistentImage();

    void printedLinesLieOverThePicture();

    void pictureFormats_data();
    void pictureFormats();
    void pictureFailure_data();
    void pictureFailure();
    void pictureSizesSurface();
    void pictureAlphaIsDropped();

    void lineGeometry();
    void unusableCoordinatesDrawNothing();
    void penWidthBelowOne_data();
    void penWidthBelowOne();
    void pixelOutside_data();
    void pixelOutside();
};

void TestPictureSurface::colourByteOrder()
{
    PictureSurface surface(QSize(2, 1));
    surface.fillRect(QPointF(0, 0), QPointF(0, 0), 0x00336699);
    QCOMPARE(surface.image().pixel(0, 0), qRgb(0x99, 0x66, 0x33));
    QCOMPARE(pointOf(surface, 0, 0), OleColor(0x00336699));
    QCOMPARE(toOleColor(QColor(1, 2, 3)), OleColor(0x030201));
    QCOMPARE(toQColor(0x030201), QColor(1, 2, 3));
}

void TestPictureSurface::rasterOps_data()
{
    QTest::addColumn<RasterOp>("op");
    QTest::addColumn<OleColor>("dest");
    QTest::addColumn<OleColor>("source");
    QTest::addColumn<OleColor>("expected");

    // F0 A5 5A with 3C 0F F0, byte by byte.
    QTest::newRow("and") << RasterOp::And << 0xF0A55Au << 0x3C0FF0u << 0x300550u;
    QTest::newRow("invert") << RasterOp::Xor << 0xF0A55Au << 0x3C0FF0u << 0xCCAAAAu;
    QTest::newRow("paint") << RasterOp::Or << 0xF0A55Au << 0x3C0FF0u << 0xFCAFFAu;
    QTest::newRow("and with white keeps") << RasterOp::And << 0x123456u << white << 0x123456u;
    QTest::newRow("and with black clears") << RasterOp::And << 0x123456u << 0u << 0u;
    QTest::newRow("invert with itself clears") << RasterOp::Xor << 0x808080u << 0x808080u << 0u;
    QTest::newRow("invert with white negates") << RasterOp::Xor << 0x0F1E2Du << white << 0xF0E1D2u;
    QTest::newRow("paint with black keeps") << RasterOp::Or << 0x010203u << 0u << 0x010203u;
}

void TestPictureSurface::rasterOps()
{
    QFETCH(RasterOp, op);
    QFETCH(OleColor, dest);
    QFETCH(OleColor, source);
    QFETCH(OleColor, expected);

    PictureSurface target(QSize(6, 5));
    target.setBackgroundColour(dest);
    PictureSurface block(QSize(3, 2));
    block.setBackgroundColour(source);

    target.blit(QPoint(2, 1), block, QSize(3, 2), op);

    const QRect blitted(2, 1, 3, 2);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            QCOMPARE(pointOf(target, x, y), blitted.contains(x, y) ? expected : dest);
            QCOMPARE(rawPixel(target.image(), x, y) >> 24, 0xFFu);
        }
    }
}

void TestPictureSurface::blitClipping_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QPoint>>("cleared");

    // A 2 x 2 black source ANDed onto a 4 x 3 white surface.
    QTest::newRow("inside") << QPoint(1, 1) << QSize(2, 2)
                            << QList<QPoint>{ { 1, 1 }, { 2, 1 }, { 1, 2 }, { 2, 2 } };
    QTest::newRow("negative x and y") << QPoint(-1, -1) << QSize(2, 2) << QList<QPoint>{ { 0, 0 } };
    QTest::newRow("negative x only") << QPoint(-1, 1) << QSize(2, 2) << QList<QPoint>{ { 0, 1 }, { 0, 2 } };
    QTest::newRow("past right and bottom") << QPoint(3, 2) << QSize(2, 2) << QList<QPoint>{ { 3, 2 } };
    QTest::newRow("larger than the source")
        << QPoint(1, 0) << QSize(5, 5) << QList<QPoint>{ { 1, 0 }, { 2, 0 }, { 1, 1 }, { 2, 1 } };
    QTest::newRow("narrower than the source") << QPoint(0, 0) << QSize(1, 2) << QList<QPoint>{ { 0, 0 }, { 0, 1 } };
    QTest::newRow("right of the surface") << QPoint(4, 0) << QSize(2, 2) << QList<QPoint>{};
    QTest::newRow("left of the surface") << QPoint(-2, 0) << QSize(2, 2) << QList<QPoint>{};
    QTest::newRow("zero width") << QPoint(0, 0) << QSize(0, 2) << QList<QPoint>{};
    QTest::newRow("negative size") << QPoint(1, 1) << QSize(-3, -3) << QList<QPoint>{};
    QTest::newRow("far away") << QPoint(std::numeric_limits<int>::max() - 1, 0) << QSize(2, 2) << QList<QPoint>{};
}

void TestPictureSurface::blitClipping()
{
    QFETCH(QPoint, at);
    QFETCH(QSize, size);
    QFETCH(QList<QPoint>, cleared);

    PictureSurface target(QSize(4, 3));
    PictureSurface black(QSize(2, 2));
    black.setBackgroundColour(0);
    QSignalSpy changed(&target, &PictureSurface::changed);

    target.blit(at, black, size, RasterOp::And);

    QCOMPARE(target.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(pointOf(target, x, y), cleared.contains(QPoint(x, y)) ? 0u : white);
    QCOMPARE(changed.count(), cleared.isEmpty() ? 0 : 1);
}

void TestPictureSurface::blitOntoItself()
{
    PictureSurface surface(QSize(3, 1));
    surface.drawPoint(QPointF(0, 0), 0x0000FF);
    surface.drawPoint(QPointF(1, 0), 0x00FF00);
    surface.drawPoint(QPointF(2, 0), 0xFF0000);

    surface.blit(QPoint(1, 0), surface, QSize(2, 1), RasterOp::Xor);

    // Each pixel is combined with its left neighbour as it was before the blit.
    QCOMPARE(pointOf(surface, 0, 0), 0x0000FFu);
    QCOMPARE(pointOf(surface, 1, 0), 0x00FFFFu);
    QCOMPARE(pointOf(surface, 2, 0), 0xFFFF00u);
}

void TestPictureSurface::maskComposite()
{
    // The object display: image P and mask M prepared as (P AND M) XOR M,
    // then the target D becomes (D OR M) XOR prepared. A white mask pixel
    // must show P exactly, a black one leave D alone.
    const OleColor p[3] = { 0x123456, 0xABCDEF, 0x102030 };
    const OleColor m[3] = { white, 0x000000, 0x808080 };
    const OleColor d = 0x336699;

    PictureSurface image(QSize(3, 1));
    PictureSurface mask(QSize(3, 1));
    for (int x = 0; x < 3; ++x) {
        image.drawPoint(QPointF(x, 0), p[x]);
        mask.drawPoint(QPointF(x, 0), m[x]);
    }
    image.blit(QPoint(0, 0), mask, QSize(3, 1), RasterOp::And);
    image.blit(QPoint(0, 0), mask, QSize(3, 1), RasterOp::Xor);

    PictureSurface target(QSize(5, 1));
    target.setBackgroundColour(d);
    target.blit(QPoint(1, 0), mask, QSize(3, 1), RasterOp::Or);
    target.blit(QPoint(1, 0), image, QSize(3, 1), RasterOp::Xor);

    QCOMPARE(pointOf(target, 0, 0), d);
    QCOMPARE(pointOf(target, 1, 0), p[0]);
    QCOMPARE(pointOf(target, 2, 0), d);
    // 33 66 99 OR 80 = B3 E6 99; 80 AND NOT 10 20 30 = 80 80 80; XOR: 33 66 19.
    QCOMPARE(pointOf(target, 3, 0), 0x336619u);
    QCOMPARE(pointOf(target, 4, 0), d);
}

void TestPictureSurface::clearRestoresPicture_data()
{
    QTest::addColumn<bool>("withPicture");
    QTest::newRow("picture") << true;
    QTest::newRow("background colour only") << false;
}

void TestPictureSurface::clearRestoresPicture()
{
    QFETCH(bool, withPicture);

    PictureSurface surface(QSize(40, 30));
    surface.setBackgroundColour(0x204060);
    if (withPicture)
        surface.setPicture(patternPicture(40, 30));
    const QImage bare = surface.image();

    PictureSurface block(QSize(8, 8));
    block.setBackgroundColour(0x0F0F0F);
    surface.setPenWidth(3);
    surface.drawLine(QPointF(2, 3), QPointF(30, 25), red);
    surface.drawCircle(QPointF(20, 10), 5, 0x00FF00);
    surface.drawPoint(QPointF(38, 28), 0xFF0000);
    surface.fillRect(QPointF(35, 0), QPointF(39, 4), white);
    surface.print(QStringLiteral("Hello"));
    surface.blit(QPoint(-2, 20), block, QSize(8, 8), RasterOp::Xor);
    QVERIFY(surface.image() != bare);

    surface.clear();

    QCOMPARE(surface.image(), bare);
    QCOMPARE(surface.screenImage(), bare);
    QVERIFY(surface.printedLines().isEmpty());
}

void TestPictureSurface::clearRepaintsOnlyWhatWasDrawn()
{
    PictureSurface surface;
    surface.setPicture(patternPicture(1024, 1024));
    PictureSurface object(QSize(256, 256));
    object.setBackgroundColour(0x0F0F0F);
    QSignalSpy changed(&surface, &PictureSurface::changed);

    surface.blit(QPoint(100, 200), object, QSize(256, 256), RasterOp::Or);
    surface.drawCircle(QPointF(50, 50), 3, red);
    changed.clear();
    surface.clear();

    QCOMPARE(changed.count(), 1);
    const QRegion restored = changed.at(0).at(0).value<QRegion>();
    QVERIFY(restored.contains(QRect(100, 200, 256, 256)));
    QVERIFY(restored.contains(QPoint(53, 50)));
    QVERIFY(!restored.contains(QPoint(900, 900)));
    QVERIFY(regionArea(restored) < 256 * 256 + 400);

    changed.clear();
    surface.clear();
    QCOMPARE(changed.count(), 0);
}

void TestPictureSurface::drawingNotPersistentReachesScreenOnly()
{
    PictureSurface surface;
    surface.setPicture(patternPicture(60, 40));
    const QImage bare = surface.image();
    const OleColor underBox = fromQRgb(bare.pixel(5, 30));

    surface.setPersistentDrawing(false);
    surface.fillRect(QPointF(0, 0), QPointF(surface.width(), surface.height()), white);

    QCOMPARE(surface.image(), bare);
    QCOMPARE(pointOf(surface, 5, 30), underBox);
    QCOMPARE(surface.screenImage().pixel(5, 30), qRgb(255, 255, 255));

    // Back on, the screen keeps showing the layer until the image changes.
    surface.setPersistentDrawing(true);
    QCOMPARE(surface.screenImage().pixel(5, 30), qRgb(255, 255, 255));
    QSignalSpy changed(&surface, &PictureSurface::changed);
    surface.drawPoint(QPointF(50, 30), red);
    QCOMPARE(surface.screenImage().pixel(5, 30), bare.pixel(5, 30));
    QCOMPARE(&surface.screenImage(), &surface.image());
    QVERIFY(changed.count() >= 2);
    QVERIFY(changed.at(0).at(0).value<QRegion>().contains(QPoint(5, 30)));
}

void TestPictureSurface::clearWithDrawingNotPersistentKeepsPersistentImage()
{
    PictureSurface surface(QSize(20, 20));
    surface.drawPoint(QPointF(3, 3), red);
    surface.setPersistentDrawing(false);
    surface.fillRect(QPointF(0, 0), QPointF(19, 19), 0x00FF00);
    surface.print(QStringLiteral("x"));
    surface.requestRepaint(); // the screen still shows what was drawn
    QCOMPARE(surface.screenImage().pixel(10, 10), qRgb(0, 255, 0));

    surface.clear();

    QCOMPARE(surface.screenImage().pixel(3, 3), qRgb(255, 0, 0));
    QCOMPARE(surface.screenImage().pixel(10, 10), qRgb(255, 255, 255));
    QVERIFY(surface.printedLines().isEmpty());
}

void TestPictureSurface::printedLinesLieOverThePicture()
{
    PictureSurface surface(QSize(200, 60));
    const QImage bare = surface.image();
    QSignalSpy printed(&surface, &PictureSurface::printedChanged);

    surface.print(QStringLiteral("abc"), PrintTarget::KeepLineOpen);
    surface.print(QStringLiteral("de"), PrintTarget::KeepLineOpen);
    surface.print(QString());
    surface.print(QStringLiteral("line"));

    QCOMPARE(surface.printedLines(), QStringList({"abcde", "line"}));
    QCOMPARE(printed.count(), 4);
    QCOMPARE(surface.image(), bare);
    surface.setPicture(patternPicture(20, 20));
    QVERIFY(surface.printedLines().isEmpty());
}

void TestPictureSurface::pictureFormats_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("pixels"); // top row first
    QTest::addColumn<int>("tolerance");

    const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255), w = qRgb(255, 255, 255),
               k = qRgb(0, 0, 0), o = qRgb(255, 128, 0);

    QImage mono(3, 2, QImage::Format_Mono);
    mono.setColorTable({ k, w });
    for (int x = 0; x < 3; ++x) {
        mono.setPixel(x, 0, x % 2);
        mono.setPixel(x, 1, 1 - x % 2);
    }
    QTest::newRow("1-bit") << bitmapBytes(mono) << 1 << QSize(3, 2) << QList<QRgb>{ k, w, k, w, k, w } << 0;

    QImage indexed(3, 2, QImage::Format_Indexed8);
    QList<QRgb> table{ r, g, b, o };
    for (int grey = 0; grey < 16; ++grey) // more than 16 colours: saved as 8-bit, not 4-bit
        table.append(qRgb(grey, grey, grey));
    indexed.setColorTable(table);
    const int indices[6] = { 0, 1, 2, 3, 2, 1 };
    for (int i = 0; i < 6; ++i)
        indexed.setPixel(i % 3, i / 3, indices[i]);
    QTest::newRow("8-bit indexed") << bitmapBytes(indexed) << 8 << QSize(3, 2)
                                   << QList<QRgb>{ r, g, b, o, b, g } << 0;

    QImage rgb(3, 2, QImage::Format_RGB32);
    const QRgb rgbPixels[6] = { r, g, b, w, k, o };
    for (int i = 0; i < 6; ++i)
        rgb.setPixel(i % 3, i / 3, rgbPixels[i]);
    QTest::newRow("24-bit") << bitmapBytes(rgb) << 24 << QSize(3, 2) << QList<QRgb>{ r, g, b, w, k, o } << 0;

    // Rows are stored bottom row first and padded to four bytes.
    QTest::newRow("4-bit") << bmpFile(3, 2, 4, 0, { r, g, b, o },
                                      bytes({ 0x32, 0x10, 0, 0, 0x10, 0x20, 0, 0 }))
                           << 4 << QSize(3, 2) << QList<QRgb>{ g, r, b, o, b, g } << 0;
    QTest::newRow("16-bit") << bmpFile(2, 2, 16, 0, {},
                                       bytes({ 0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03 }))
                            << 16 << QSize(2, 2) << QList<QRgb>{ r, g, b, w } << 0;
    QTest::newRow("32-bit") << bmpFile(2, 1, 32, 0, {}, bytes({ 0x00, 0x80, 0xFF, 0x00, 0xFF, 0, 0, 0 }))
                            << 32 << QSize(2, 1) << QList<QRgb>{ o, b } << 0;
    QTest::newRow("24-bit top-down")
        << bmpFile(2, -2, 24, 0, {},
                   bytes({ 0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0 }))
        << 24 << QSize(2, 2) << QList<QRgb>{ r, g, b, w } << 0;
    // RLE8: (count, index) runs, 0 0 ends a row, 0 1 the bitmap.
    QTest::newRow("8-bit RLE")
        << bmpFile(3, 2, 8, 1, { r, g, b, o }, bytes({ 1, 2, 2, 3, 0, 0, 2, 0, 1, 1, 0, 1 }))
        << 8 << QSize(3, 2) << QList<QRgb>{ r, r, g, b, o, o } << 0;
    // A delta skips pixels: they are index 0.
    QTest::newRow("8-bit RLE with a delta")
        << bmpFile(3, 2, 8, 1, { r, g, b, o }, bytes({ 0, 2, 1, 1, 1, 3, 0, 1 }))
        << 8 << QSize(3, 2) << QList<QRgb>{ r, o, r, r, r, r } << 0;
}

void TestPictureSurface::pictureFormats()
{
    QFETCH(QByteArray, file);
    QFETCH(int, bitCount);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, pixels);
    QFETCH(int, tolerance);

    QCOMPARE(int(quint8(file.at(28))), bitCount);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("0000.bmp"));
    QVERIFY(writeFile(path, file));

    PictureSurface surface(QSize(10, 10));
    const Status status = surface.loadPicture(path);
    QVERIFY2(status.ok(), qPrintable(status.message()));

    QCOMPARE(surface.size(), size);
    QCOMPARE(surface.width(), size.width());
    QCOMPARE(surface.height(), size.height());
    for (int i = 0; i < pixels.size(); ++i) {
        const QRgb got = surface.image().pixel(i % size.width(), i / size.width());
        const QRgb want = pixels.at(i);
        QVERIFY2(std::abs(qRed(got) - qRed(want)) <= tolerance
                     && std::abs(qGreen(got) - qGreen(want)) <= tolerance
                     && std::abs(qBlue(got) - qBlue(want)) <= tolerance && qAlpha(got) == 255,
                 qPrintable(QStringLiteral("pixel %1: %2, expected %3")
                                .arg(i).arg(got, 8, 16).arg(want, 8, 16)));
    }
}

void TestPictureSurface::pictureFailure_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: the file is not created

    const QByteArray valid = bitmapBytes(patternPicture(8, 8));
    QTest::newRow("missing") << QStringLiteral("missing.bmp") << QByteArray();
    QTest::newRow("garbage") << QStringLiteral("garbage.bmp") << QByteArray("this is not a bitmap at all");
    QTest::newRow("empty") << QStringLiteral("empty.bmp") << QByteArray("");
    QTest::newRow("headers only") << QStringLiteral("headers.bmp") << valid.left(54);
    QTest::newRow("cut in the file header") << QStringLiteral("cut.bmp") << valid.left(10);
#ifndef Q_OS_WIN // where no pipe lives in a directory
    QTest::newRow("a pipe, which would wait forever") << QStringLiteral("pipe.bmp") << QByteArray("fifo");
#endif
}

void TestPictureSurface::pictureFailure()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
#ifndef Q_OS_WIN
    if (content == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
#endif
    if (!content.isNull())
        QVERIFY(writeFile(path, content));

    PictureSurface surface;
    surface.setPicture(patternPicture(5, 4));
    surface.drawPoint(QPointF(1, 1), red);
    const QImage before = surface.image();
    QSignalSpy changed(&surface, &PictureSurface::changed);

    const Status status = surface.loadPicture(path);

    QVERIFY(!status.ok());
    QVERIFY2(status.message().contains(QDir::toNativeSeparators(path)), qPrintable(status.message()));
    QCOMPARE(surface.image(), before);
    QCOMPARE(surface.picture(), patternPicture(5, 4));
    QCOMPARE(changed.count(), 0);
}

void TestPictureSurface::pictureSizesSurface()
{
    PictureSurface surface(QSize(50, 40));
    QCOMPARE(surface.width(), 50);
    QCOMPARE(surface.height(), 40);
    QSignalSpy resized(&surface, &PictureSurface::sizeChanged);

    surface.setPicture(patternPicture(20, 10));
    QCOMPARE(surface.size(), QSize(20, 10));
    QCOMPARE(resized.count(), 1);
    QCOMPARE(resized.at(0).at(0).toSize(), QSize(20, 10));

    // Without a picture the surface keeps its size and shows its background.
    surface.setBackgroundColour(0x010203);
    surface.setPicture(QImage());
    QCOMPARE(surface.size(), QSize(20, 10));
    QCOMPARE(resized.count(), 1);
    QCOMPARE(pointOf(surface, 19, 9), 0x010203u);
}

void TestPictureSurface::pictureAlphaIsDropped()
{
    // Transparency means nothing to a blit: the colour bits stay as stored.
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(0x12, 0x34, 0x56, 0));
    picture.setPixel(1, 0, qRgba(0xAB, 0xCD, 0xEF, 0x80));
    PictureSurface surface;
    surface.setPicture(picture);

    QCOMPARE(pointOf(surface, 0, 0), 0x563412u);
    QCOMPARE(pointOf(surface, 1, 0), 0xEFCDABu);
    QCOMPARE(rawPixel(surface.image(), 0, 0), 0xFF123456u);
}

void TestPictureSurface::lineGeometry()
{
    PictureSurface surface(QSize(40, 30));

    // One pixel wide, both ends included.
    surface.drawLine(QPointF(2, 5), QPointF(10, 5), red);
    for (int x = 2; x <= 10; ++x)
        QCOMPARE(pointOf(surface, x, 5), red);
    for (const QPoint &p : { QPoint(1, 5), QPoint(11, 5), QPoint(6, 4), QPoint(6, 6) })
        QCOMPARE(pointOf(surface, p.x(), p.y()), white);

    // Five wide: two pixels on either side, round ends.
    surface.clear();
    surface.setPenWidth(5);
    surface.drawLine(QPointF(10, 10), QPointF(20, 10), red);
    for (const QPoint &p : { QPoint(15, 8), QPoint(15, 12), QPoint(8, 10), QPoint(22, 10) })
        QCOMPARE(pointOf(surface, p.x(), p.y()), red);
    for (const QPoint &p : { QPoint(15, 7), QPoint(15, 13), QPoint(7, 10), QPoint(23, 10), QPoint(8, 8) })
        QCOMPARE(pointOf(surface, p.x(), p.y()), white);

    // A filled box spans both corners, in either order, whatever the width.
    surface.clear();
    surface.fillRect(QPointF(3, 2), QPointF(1, 4), red);
    for (int y = 1; y <= 5; ++y)
        for (int x = 0; x <= 4; ++x)
            QCOMPARE(pointOf(surface, x, y), (x >= 1 && x <= 3 && y >= 2 && y <= 4) ? red : white);

    surface.clear();
    surface.fillRect(QPointF(-1e12, 28), QPointF(1e12, 1e12), red);
    QCOMPARE(pointOf(surface, 0, 28), red);
    QCOMPARE(pointOf(surface, 39, 29), red);
    QCOMPARE(pointOf(surface, 39, 27), white);

    surface.clear();
    surface.setPenWidth(1);
    surface.drawCircle(QPointF(10, 10), 3, red);
    for (const QPoint &p : { QPoint(13, 10), QPoint(7, 10), QPoint(10, 7), QPoint(10, 13) })
        QCOMPARE(pointOf(surface, p.x(), p.y()), red);
    QCOMPARE(pointOf(surface, 10, 10), white);

    // A line of no length is a dot, one pixel or round.
    surface.clear();
    surface.drawLine(QPointF(5, 5), QPointF(5, 5), red);
    QCOMPARE(pointOf(surface, 5, 5), red);
    surface.setPenWidth(3);
    surface.drawLine(QPointF(20, 20), QPointF(20, 20), red);
    QCOMPARE(pointOf(surface, 21, 21), red);
    QCOMPARE(pointOf(surface, 22, 20), white);

    // The round end of a wide line that stops just left of the surface shows.
    surface.clear();
    surface.setPenWidth(7);
    surface.drawLine(QPointF(-10, 5), QPointF(-2, 5), red);
    QCOMPARE(pointOf(surface, 1, 5), red);
    QCOMPARE(pointOf(surface, 2, 5), white);
    surface.setPenWidth(1);

    // A line from far outside is cut to the surface, not lost.
    surface.clear();
    surface.drawLine(QPointF(-3e6, 20), QPointF(3e6, 20), red);
    QCOMPARE(pointOf(surface, 0, 20), red);
    QCOMPARE(pointOf(surface, 39, 20), red);
}

void TestPictureSurface::unusableCoordinatesDrawNothing()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    PictureSurface surface(QSize(20, 20));
    surface.setPenWidth(32767);
    QSignalSpy changed(&surface, &PictureSurface::changed);

    surface.drawLine(QPointF(nan, 0), QPointF(5, 5), red);
    surface.fillRect(QPointF(0, 0), QPointF(inf, 5), red);
    surface.drawPoint(QPointF(nan, nan), red);
    surface.drawCircle(QPointF(5, 5), inf, red);
    surface.drawCircle(QPointF(5, 5), -2, red);
    surface.drawCircle(QPointF(10, 10), 1e6, red); // encloses the whole surface

    QCOMPARE(changed.count(), 0);
    QCOMPARE(pointOf(surface, 10, 10), white);
}

void TestPictureSurface::penWidthBelowOne_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -4;
}

void TestPictureSurface::penWidthBelowOne()
{
    QFETCH(int, width);

    PictureSurface thin(QSize(30, 30));
    PictureSurface surface(QSize(30, 30));
    surface.setPenWidth(width);
    QCOMPARE(surface.penWidth(), 1);
    for (PictureSurface *s : { &thin, &surface }) {
        s->drawLine(QPointF(2, 3), QPointF(25, 17), red);
        s->drawCircle(QPointF(15, 15), 6, red);
        s->drawPoint(QPointF(28, 2), red);
    }

    QCOMPARE(surface.image(), thin.image());
    QCOMPARE(pointOf(surface, 28, 2), red);
    QCOMPARE(pointOf(surface, 28, 3), white);
}

void TestPictureSurface::pixelOutside_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::newRow("left") << QPoint(-1, 0);
    QTest::newRow("above") << QPoint(0, -1);
    QTest::newRow("right") << QPoint(7, 0);
    QTest::newRow("below") << QPoint(0, 5);
    QTest::newRow("extremes") << QPoint(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void TestPictureSurface::pixelOutside()
{
    QFETCH(QPoint, at);
    PictureSurface surface(QSize(7, 5));
    QCOMPARE(surface.pixel(6, 4), std::optional<OleColor>(white));
    QCOMPARE(surface.pixel(at.x(), at.y()), std::nullopt);
}

QTEST_MAIN(TestPictureSurface)
#include "test_picturesurface.moc"
