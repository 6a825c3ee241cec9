#pragma once

// Builds SHPI.DAT files byte by byte, independently of the store's own
// encoders, so that tests check the store against the format itself.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

namespace testing_support {

inline void putInt16(QByteArray &b, int v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

inline void putInt32(QByteArray &b, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((uint64_t(v) >> (8 * i)) & 0xff));
}

inline int16_t int16At(const QByteArray &b, qsizetype offset)
{
    return int16_t(uint8_t(b[offset]) | (uint8_t(b[offset + 1]) << 8));
}

struct SkippedChunk
{
    QByteArray name = "SKIP";
    int32_t length = 0;
};

struct TestObject
{
    QByteArray directoryName;     // 4 bytes
    QByteArray chunkName;         // 4 bytes; empty: same as the directory name
    int16_t width = 1, height = 1, xCentre = 0, yCentre = 0, xPos = 0, yPos = 0;
    QByteArray pixels;            // width x height; empty: a pattern
    int32_t skipFlag = 0;
    std::vector<SkippedChunk> skippedBefore;
};

/// A dial record with recognisable bytes everywhere, so that a lost or
/// moved byte shows.
inline QByteArray patternDialRecord(int seed = 1)
{
    QByteArray d;
    d.append("DIALTAG-01", 10);
    for (int i = 10; i < 120; ++i)
        d.append(char((i * 7 + seed) & 0xff));
    return d;
}

inline QByteArray pixelPattern(const TestObject &o)
{
    QByteArray p;
    for (int i = 0; i < o.width * o.height; ++i)
        p.append(char((i * 13 + o.width) & 0xff));
    return p;
}

struct ContainerBuilder
{
    std::vector<TestObject> objects;
    QByteArray dialRecord = patternDialRecord();
    int32_t headerSpare = 0x11223344;
    int32_t objectCount = -1; // -1: objects.size()
    QByteArray tail;          // bytes after the last object

    QByteArray build() const
    {
        QByteArray b;
        b.append("SHPI-ID!", 8);
        putInt32(b, headerSpare);
        putInt32(b, objectCount >= 0 ? objectCount : int32_t(objects.size()));
        b.append("DIR1", 4);
        int spare = 1000;
        for (const TestObject &o : objects) {
            b.append(o.directoryName.left(4));
            putInt32(b, spare += 77); // offsets that point nowhere
        }
        putInt32(b, 0x47415021); // gap word
        for (const TestObject &o : objects) {
            for (const SkippedChunk &s : o.skippedBefore) {
                b.append(s.name.left(4));
                putInt32(b, 0x5a5a5a5a);
                putInt32(b, -1);
                putInt32(b, s.length);
                for (int i = 0; i < s.length; ++i)
                    b.append(char(0xE0 + i % 16));
            }
            const QByteArray chunk = o.chunkName.isEmpty() ? o.directoryName : o.chunkName;
            b.append(chunk.left(4));
            putInt32(b, 0x01020304);
            putInt32(b, o.skipFlag);
            putInt32(b, 0x7777);
            putInt16(b, o.width);
            putInt16(b, o.height);
            putInt16(b, o.xCentre);
            putInt16(b, o.yCentre);
            putInt16(b, o.xPos);
            putInt16(b, o.yPos);
            b.append(o.pixels.isEmpty() ? pixelPattern(o) : o.pixels);
            if (chunk.left(4) == "0000")
                b.append(dialRecord);
        }
        b.append(tail);
        return b;
    }
};

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush())
        return true;
    qWarning("%s: %s", qPrintable(path), qPrintable(f.errorString()));
    return false;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Two objects as in the listing example, with a skipped chunk in front of
/// the second and a tail after the last.
inline ContainerBuilder exampleContainer()
{
    ContainerBuilder c;
    TestObject background;
    background.directoryName = "0000";
    background.width = 8;
    background.height = 5;
    TestObject light;
    light.directoryName = "0001";
    light.width = 25;
    light.height = 12;
    light.xCentre = 3;
    light.yCentre = -2;
    light.xPos = 100;
    light.yPos = -7;
    light.skippedBefore = {SkippedChunk{"SKP1", 6}, SkippedChunk{"SKP2", 0}};
    c.objects = {background, light};
    c.tail = "TRAILING";
    return c;
}

} // namespace testing_support
