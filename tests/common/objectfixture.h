#pragma once

// A dashboard directory with object artwork and masks, and the composite a
// selection must show, computed pixel by pixel from the bitmaps themselves.

#include "common/containerbuilder.h"
#include "store/windowsnames.h"

#include <QDir>
#include <QImage>
#include <QRect>

#include <optional>

namespace testing_support {

/// An RGB picture whose pixels differ in every channel from their neighbours.
inline QImage patternPicture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11 + seed * 5) & 0xff, (x * 7 + y * 53 + seed * 29) & 0xff,
                                      (x * 91 + y * 3 + seed * 71) & 0xff));
    return image;
}

/// An 8-bit grey mask as extraction writes it: white rows at the top, black
/// rows at the bottom, and grey levels in between.
inline QImage greyMask(int width, int height)
{
    QImage mask(width, height, QImage::Format_Indexed8);
    QList<QRgb> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.append(qRgb(i, i, i));
    mask.setColorTable(ramp);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int level = (x * 61 + y * 17 + 40) & 0xff;
            if (y < height / 3)
                level = 255;
            else if (y >= height - height / 3)
                level = 0;
            mask.setPixel(x, y, uint(level));
        }
    return mask;
}

/// One pixel of the dashboard D after the object pixel P is shown through
/// the mask pixel M, channel by channel: the artwork where M is white, the
/// dashboard where M is black, (D OR M) XOR (M AND NOT P) elsewhere. Where
/// the mask bitmap has no pixel, preparing the image left P as it was and
/// nothing was ORed in, so the dashboard shows D XOR P.
inline QRgb compositePixel(QRgb D, QRgb P, std::optional<QRgb> M)
{
    const quint32 d = D & 0xffffff, p = P & 0xffffff;
    if (!M)
        return 0xff000000u | (d ^ p);
    const quint32 m = *M & 0xffffff;
    return 0xff000000u | ((d | m) ^ (m & ~p));
}

/// @p background with the object (@p image through @p mask) shown with its
/// top-left corner at @p at.
inline QImage expectedComposite(const QImage &background, const QImage &image, const QImage &mask,
                                const QPoint &at)
{
    QImage result = background.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPoint target = at + QPoint(x, y);
            if (!result.valid(target))
                continue;
            const std::optional<QRgb> m = mask.valid(x, y) ? std::optional<QRgb>(mask.pixel(x, y)) : std::nullopt;
            result.setPixel(target, compositePixel(result.pixel(target), image.pixel(x, y), m));
        }
    return result;
}

/// The same colours, whatever the two images' formats.
inline bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

/// The first pixel where two images differ, for failure messages.
inline QString firstDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) & 0xffffff) != (expected.pixel(x, y) & 0xffffff))
                return QStringLiteral("pixel %1,%2 is %3, expected %4")
                    .arg(x).arg(y).arg(actual.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))
                    .arg(expected.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'));
    return QStringLiteral("no difference");
}

/// An object of the test dashboard with its bitmaps.
struct FixtureObject
{
    TestObject header;
    QImage image;
    QImage mask;

    QPoint topLeft() const { return QPoint(header.xPos - header.xCentre, header.yPos - header.yCentre); }
};

/// A dashboard: the background "0000" and the objects after it, each with
/// its artwork and mask files, written under names in mixed letter case.
struct FixtureDashboard
{
    QImage background = patternPicture(48, 36, 1);
    std::vector<FixtureObject> objects;
    QByteArray dialRecord = patternDialRecord();

    /// Three objects: one inside the picture; one reaching past its left
    /// and top edges, with a larger mask; one whose mask is smaller than its
    /// artwork and whose table size is that of neither bitmap.
    static FixtureDashboard standard()
    {
        FixtureDashboard d;
        d.objects = {object("0001", {12, 9}, {4, 3}, {20, 14}, patternPicture(12, 9, 7), greyMask(12, 9)),
                     object("DIAL", {10, 12}, {7, 9}, {2, 4}, patternPicture(10, 12, 3), greyMask(13, 15)),
                     object("lamp", {14, 6}, {0, 0}, {30, 25}, patternPicture(9, 7, 11), greyMask(6, 5))};
        return d;
    }

    /// An object of the table size @p size, centre @p centre and position
    /// @p position, whatever the size of its bitmaps.
    static FixtureObject object(const QByteArray &name, QSize size, QPoint centre, QPoint position,
                                const QImage &image, const QImage &mask)
    {
        FixtureObject o;
        o.header.directoryName = name;
        o.header.width = int16_t(size.width());
        o.header.height = int16_t(size.height());
        o.header.xCentre = int16_t(centre.x());
        o.header.yCentre = int16_t(centre.y());
        o.header.xPos = int16_t(position.x());
        o.header.yPos = int16_t(position.y());
        o.image = image;
        o.mask = mask;
        return o;
    }

    ContainerBuilder container() const
    {
        ContainerBuilder c;
        TestObject back;
        back.directoryName = "0000";
        back.width = int16_t(background.width());
        back.height = int16_t(background.height());
        c.objects.push_back(back);
        for (const FixtureObject &o : objects)
            c.objects.push_back(o.header);
        c.dialRecord = dialRecord;
        return c;
    }

    /// Writes SHPI.DAT and every bitmap into @p directory; the artwork names
    /// end in ".BMP" and the mask names start with "shpi", so only a lookup
    /// that ignores letter case finds them.
    bool write(const QString &directory) const
    {
        const QDir dir(directory);
        if (!writeFile(dir.filePath("SHPI.DAT"), container().build()) ||
            !background.save(dir.filePath("0000.bmp"), "BMP"))
            return false;
        for (const FixtureObject &o : objects) {
            const QString name = QString::fromLatin1(o.header.directoryName);
#ifdef Q_OS_WIN
            // Windows holds no file of such a name; elsewhere it is there,
            // for the program to leave alone.
            if (tolvane::windowsReadsOtherwise(name))
                continue;
#endif
            if (!o.image.save(dir.filePath(name + ".BMP"), "BMP") ||
                !o.mask.save(dir.filePath("shpi" + name + ".bmp"), "BMP"))
                return false;
        }
        return true;
    }

    /// The dashboard showing object @p row (1 for the first after "0000").
    QImage expected(int row) const
    {
        const FixtureObject &o = objects[size_t(row - 1)];
        return expectedComposite(background, o.image, o.mask, o.topLeft());
    }
};

} // namespace testing_support
