#include "benchfixtures.h"

#include "demo/democontainer.h"
#include "masks/maskbitmap.h"
#include "store/dashboarddirectory.h"

#include <QFile>
#include <QImage>

namespace tolvane::bench {

namespace {

FixedText<4> objectName(int index)
{
    const QByteArray text = index == 0 ? QByteArray("0000") : QByteArray::number(index, 36).rightJustified(3, '0')
                                                                  .prepend('b').right(4);
    FixedText<4> name{};
    std::copy_n(text.constData(), 4, name.begin());
    return name;
}

QImage patternMask(int width, int height, int seed)
{
    QImage mask(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar *row = mask.scanLine(y);
        for (int x = 0; x < width; ++x)
            row[x] = uchar((x * 7 + y * 3 + seed) & 0xff);
    }
    return mask;
}

void writeFileOrDie(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

demo::DemoObject object(int index, int width, int height, int xPos, int yPos)
{
    demo::DemoObject o;
    o.name = objectName(index);
    o.header.Width = int16_t(width);
    o.header.Height = int16_t(height);
    o.header.XCentre = int16_t(width / 2);
    o.header.YCentre = int16_t(height / 2);
    o.header.XPos = int16_t(xPos);
    o.header.YPos = int16_t(yPos);
    o.mask = patternMask(width, height, index);
    return o;
}

void writeBackground(const QString &directory, const QSize &size)
{
    QImage background(size, QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            background.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff));
    background.save(directory + QLatin1Char('/') + DashboardDirectory::BackgroundName, "BMP");
}

void writeArtwork(const QString &directory, const demo::DemoObject &object, QRgb colour)
{
    const QString name = QString::fromLatin1(object.name.data(), 4);
    QImage artwork(object.header.Width, object.header.Height, QImage::Format_RGB888);
    artwork.fill(colour);
    artwork.save(directory + QStringLiteral("/") + name + ".bmp", "BMP");
}

void writeObjectBitmaps(const QString &directory, const demo::DemoObject &object, QRgb colour)
{
    writeArtwork(directory, object, colour);
    QImage mask = object.mask.convertToFormat(QImage::Format_RGB888);
    mask.save(directory + QLatin1Char('/') + *maskFileName(object.name), "BMP");
}

demo::DemoObject largeContainerObject(int index, int side)
{
    return object(index, side, side, side / 2, side / 2);
}

} // namespace

qint64 writeLargeContainer(const QString &directory, int count, int side)
{
    std::vector<demo::DemoObject> objects;
    for (int i = 0; i < count; ++i)
        objects.push_back(largeContainerObject(i, side));
    const QByteArray bytes = demo::encodeDemoContainer(objects, demo::demoDialRecord());
    writeFileOrDie(directory + QLatin1Char('/') + DashboardDirectory::ContainerName, bytes);
    return bytes.size();
}

void writeLargeArtworks(const QString &directory, int count, int side)
{
    for (int i = 0; i < count; ++i)
        writeArtwork(directory, largeContainerObject(i, side), qRgb(i & 0xff, 90, 160));
}

void writeDragDashboard(const QString &directory, const QSize &size, int objectSide)
{
    std::vector<demo::DemoObject> objects = {object(0, 8, 8, 0, 0),
                                             object(1, objectSide, objectSide, objectSide / 2 + 16, objectSide / 2 + 16)};
    writeFileOrDie(directory + QLatin1Char('/') + DashboardDirectory::ContainerName,
                   demo::encodeDemoContainer(objects, demo::demoDialRecord()));
    writeBackground(directory, size);
    writeObjectBitmaps(directory, objects[1], qRgb(200, 40, 40));
}

void writeCrowdedDashboard(const QString &directory, const QSize &size, int count)
{
    std::vector<demo::DemoObject> objects = {object(0, size.width(), size.height(), 0, 0)};
    // A grid of 8 columns; the larger objects reach into their neighbours' cells.
    const int columns = 8;
    const int rows = (count + columns - 1) / columns;
    const QSize cell(size.width() / columns, size.height() / rows);
    for (int i = 1; i <= count; ++i) {
        const int width = 96 + (i * 53) % 160;
        const int height = 96 + (i * 31) % 160;
        const int cellIndex = i - 1;
        objects.push_back(object(i, width, height, (cellIndex % columns) * cell.width() + cell.width() / 2,
                                 (cellIndex / columns) * cell.height() + cell.height() / 2));
    }
    writeFileOrDie(directory + QLatin1Char('/') + DashboardDirectory::ContainerName,
                   demo::encodeDemoContainer(objects, demo::demoDialRecord()));
    writeBackground(directory, size);
    for (size_t i = 1; i < objects.size(); ++i)
        writeObjectBitmaps(directory, objects[i], qRgb(int(i * 6) & 0xff, 200, 40));
}

} // namespace tolvane::bench
