// tolvane-fuzz-seeds OUT: writes the seed corpora of the harnesses into
// OUT/load, OUT/save and OUT/mask: the demo dashboard, the edge cases of the
// store and mask tests, and bitmaps in every layout a BMP reader meets.

#include "fuzzsupport.h"

#include "common/bitmapbytes.h"
#include "demo/demodashboard.h"
#include "masks/extractmasks.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>

using namespace testing_support;

namespace {

class Corpus
{
public:
    explicit Corpus(const QString &dir) : m_dir(dir) { QDir().mkpath(dir); }

    void add(const QString &name, const QByteArray &bytes)
    {
        if (!writeFile(m_dir + QLatin1Char('/') + name, bytes))
            m_failed = true;
    }
    bool ok() const { return !m_failed; }

private:
    QString m_dir;
    bool m_failed = false;
};

void putInt16At(QByteArray &b, int at, int v)
{
    QByteArray bytes;
    putInt16(bytes, v);
    b.replace(at, 2, bytes);
}

void putInt32At(QByteArray &b, int at, int64_t v)
{
    QByteArray bytes;
    putInt32(bytes, v);
    b.replace(at, 4, bytes);
}

// Rows of @p width pixels of @p bitsPerPixel, each value i * 7 + y, padded to 4 bytes.
QByteArray rows(int width, int height, int bitsPerPixel)
{
    const int stride = (width * bitsPerPixel + 31) / 32 * 4;
    QByteArray p(qsizetype(stride) * height, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int v = x * 7 + y;
            if (bitsPerPixel == 4)
                p[y * stride + x / 2] = char(p[y * stride + x / 2] | ((v & 15) << (x % 2 ? 0 : 4)));
            else
                for (int k = 0; k < bitsPerPixel / 8; ++k)
                    p[y * stride + x * bitsPerPixel / 8 + k] = char(v + k);
        }
    }
    return p;
}

// Run-length rows: one run per row, then end of line; end of bitmap last.
QByteArray runLengthRows(int width, int height)
{
    QByteArray p;
    for (int y = 0; y < height; ++y)
        p.append(char(width)).append(char(y * 20)).append('\0').append('\0');
    return p.append('\0').append('\1');
}


void addMaskSeeds(Corpus &mask, const QByteArray &extracted)
{
    const int w = 25, h = 12; // object 1 of the example container
    mask.add("extracted", extracted);
    QByteArray headerless = extracted;
    headerless.replace(0, 54, QByteArray(54, '\xff'));
    mask.add("extracted-odd-header", headerless);

    QImage picture(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, qRgb(x * 10, x * 10, x * 10));
    mask.add("rgb888", testing_support::bitmapBytes(picture));
    mask.add("argb32", testing_support::bitmapBytes(picture.convertToFormat(QImage::Format_ARGB32)));
    mask.add("indexed8", testing_support::bitmapBytes(picture.convertToFormat(QImage::Format_Indexed8)));
    mask.add("mono", testing_support::bitmapBytes(picture.convertToFormat(QImage::Format_Mono)));
    mask.add("wrong-size", testing_support::bitmapBytes(picture.scaled(7, 7)));
    // 256 colours of a palette of their own: files of the length extraction writes.
    QImage indexed(w, h, QImage::Format_Indexed8);
    indexed.setColorTable(ownPalette(false));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            indexed.setPixel(x, y, uint(x * 10 + y));
    mask.add("indexed8-reversed-grey", testing_support::bitmapBytes(indexed));
    indexed.setColorTable(ownPalette(true));
    mask.add("indexed8-coloured", testing_support::bitmapBytes(indexed));

    mask.add("top-down-8", handMadeBitmap(w, -h, 8, 0, greyColours(256), rows(w, h, 8)));
    mask.add("rle8", handMadeBitmap(w, h, 8, 1, greyColours(256), runLengthRows(w, h)));
    mask.add("rle4", handMadeBitmap(w, h, 4, 2, greyColours(16), runLengthRows(w, h)));
    // An end of line and a delta skip pixels; a picture cut by a row.
    mask.add("rle8-skips",
             handMadeBitmap(w, h, 8, 1, greyColours(256), QByteArray("\1\xff\0\0\0\2\2\1\1\xff\0\1", 12)));
    mask.add("rgb888-cut", testing_support::bitmapBytes(picture).chopped((w * 3 + 3) / 4 * 4));
    mask.add("plain-4", handMadeBitmap(w, h, 4, 0, greyColours(16), rows(w, h, 4)));
    QByteArray fields;
    putInt32(fields, 0xF800);
    putInt32(fields, 0x07E0);
    putInt32(fields, 0x001F);
    mask.add("bitfields-16", handMadeBitmap(w, h, 16, 3, fields, rows(w, h, 16)));
    mask.add("plain-32", handMadeBitmap(w, h, 32, 0, QByteArray(), rows(w, h, 32)));
    mask.add("os2-24", handMadeBitmap(w, h, 24, 0, QByteArray(), rows(w, h, 24), true));
    mask.add("os2-8", handMadeBitmap(w, h, 8, 0, greyColours(256, 3), rows(w, h, 8), true));
    mask.add("garbage", "not a bitmap at all");
}

void addContainerSeeds(Corpus &load, Corpus &save)
{
    const ContainerBuilder example = exampleContainer();
    const QByteArray full = example.build();
    load.add("example", full);
    save.add("example", full);

    ContainerBuilder noDial = example;
    noDial.objects[0].chunkName = "BACK";
    load.add("no-dial-record", noDial.build());
    save.add("no-dial-record", noDial.build());

    ContainerBuilder moved = example;
    moved.objects[1].xPos = 5;
    moved.dialRecord = patternDialRecord(9);
    save.add("moved", moved.build());

    ContainerBuilder wider = example;
    wider.objects[1].width = 24;
    wider.objects[1].pixels.clear();
    save.add("other-size", wider.build());

    ContainerBuilder fewer = example;
    fewer.objects.pop_back();
    save.add("fewer-objects", fewer.build());

    ContainerBuilder zero = example;
    zero.objectCount = 0;
    load.add("count-0", zero.build());
    ContainerBuilder huge = example;
    huge.objectCount = 0x7fffffff;
    load.add("count-beyond-the-file", huge.build());
    ContainerBuilder narrow = example;
    narrow.objects[1].width = 0;
    narrow.objects[1].pixels = "";
    load.add("width-0", narrow.build());
    ContainerBuilder negative = example;
    negative.objects[1].skippedBefore = {SkippedChunk{"NEG!", -4}};
    load.add("negative-skip", negative.build());
    QByteArray past = full;
    putInt32At(past, past.indexOf("SKP1") + 12, 0x10000000);
    load.add("skip-past-the-end", past);
    QByteArray negativeSize = full;
    putInt16At(negativeSize, full.indexOf("0001", 40) + 16, -25);
    load.add("negative-width", negativeSize);
    for (const int cut : {0, 19, 20, 40, 56, 68, 200})
        load.add(QStringLiteral("cut-%1").arg(cut), full.left(cut));
    save.add("cut-inside-pixels", full.left(full.size() - 40));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvane-fuzz-seeds OUT\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    Corpus load(out + QStringLiteral("/load"));
    Corpus save(out + QStringLiteral("/save"));
    Corpus mask(out + QStringLiteral("/mask"));
    addContainerSeeds(load, save);

    QTemporaryDir scratch;
    const QString demoDir = scratch.filePath(QStringLiteral("demo"));
    if (tolvane::Status s = tolvane::writeDemoDashboard(demoDir); !s) {
        std::fprintf(stderr, "%s\n", qPrintable(s.message()));
        return 1;
    }
    const QDir demo(demoDir);
    for (const QString &name : demo.entryList(QDir::Files)) {
        const QByteArray bytes = readFile(demo.filePath(name));
        if (name == QLatin1String("SHPI.DAT")) {
            load.add(QStringLiteral("demo"), bytes);
            save.add(QStringLiteral("demo"), bytes);
        } else {
            mask.add(QStringLiteral("demo-") + name, bytes);
        }
    }

    // The example's own mask for object 1, as extraction writes it.
    QTemporaryDir example;
    writeFile(example.filePath(QStringLiteral("SHPI.DAT")), exampleContainer().build());
    tolvane::ShpiTables tables;
    tolvane::fuzz::Silent silent;
    if (tolvane::Status s = tolvane::ExtractMasks(example.path(), silent, tables); !s) {
        std::fprintf(stderr, "%s\n", qPrintable(s.message()));
        return 1;
    }
    addMaskSeeds(mask, readFile(example.filePath(QStringLiteral("SHPI0001.BMP"))));
    return load.ok() && save.ok() && mask.ok() ? 0 : 1;
}
