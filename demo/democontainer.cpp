#include "democontainer.h"
#include "demolayout.h"
#include "store/littleendian.h"

#include <cstring>

namespace tolvane::demo {

namespace {

template<size_t N>
FixedText<int(N - 1)> fixedText(const char (&text)[N])
{
    FixedText<int(N - 1)> field{};
    std::memcpy(field.data(), text, N - 1);
    return field;
}

template<typename Record>
void append(QByteArray &out, const Record &record)
{
    const qsizetype at = out.size();
    out.resize(at + Record::Size);
    record.encode(out.data() + at);
}

// A mask file keeps its rows in stored order under a positive height, which
// puts the first stored row at the bottom of the picture: so block row k is
// picture row Height - 1 - k.
QByteArray pixelBlock(const QImage &mask)
{
    QByteArray block;
    block.reserve(qsizetype(mask.width()) * mask.height());
    for (int row = mask.height() - 1; row >= 0; --row)
        block.append(reinterpret_cast<const char *>(mask.constScanLine(row)), mask.width());
    return block;
}

struct SkippedChunk
{
    FixedText<4> name;
    QByteArray payload;
};

const int ObjectAfterSkippedChunks = 3;

const std::vector<SkippedChunk> &skippedChunks()
{
    static const std::vector<SkippedChunk> chunks = {
        {fixedText("NOTE"), QByteArrayLiteral("TOLVANE DEMO 1.0")},
        {fixedText("NONE"), QByteArray()},
    };
    return chunks;
}

// The fields that describe one gauge, in the order setGauge fills them.
struct GaugeFields
{
    DialField top, pivotX, pivotY, minX, minY, maxX, maxY;
};

void setGauge(DialRecord &record, const GaugeLayout &gauge, const GaugeFields &fields)
{
    const QPoint min = needleEnd(gauge, 0), max = needleEnd(gauge, gauge.maxValue);
    const std::pair<DialField, int> values[] = {
        {fields.top, gauge.maxValue}, {fields.pivotX, gauge.pivot.x()}, {fields.pivotY, gauge.pivot.y()},
        {fields.minX, min.x()},       {fields.minY, min.y()},           {fields.maxX, max.x()},
        {fields.maxY, max.y()},
    };
    for (const auto &[field, value] : values)
        record.setField(field, int16_t(value));
}

} // namespace

DialRecord demoDialRecord()
{
    std::array<char, DialRecord::Size> bytes{};
    std::memcpy(bytes.data(), "DIALS v1.0", 10);
    for (int offset = 10; offset < DialRecord::Size; offset += 2)
        le::writeInt16(bytes.data() + offset, int16_t(0x0100 + offset));
    DialRecord record = DialRecord::decode(bytes.data());

    record.setField(DialField::DialWidth, NeedleWidth);
    record.setField(DialField::ColourX, int16_t(Speedometer.pivot.x()));
    record.setField(DialField::ColourY, int16_t(Speedometer.pivot.y()));
    setGauge(record, Speedometer,
             {DialField::MphMax, DialField::SpeedoX, DialField::SpeedoY, DialField::SpeedoMinX,
              DialField::SpeedoMinY, DialField::SpeedoMaxX, DialField::SpeedoMaxY});
    setGauge(record, Tachometer,
             {DialField::RpmMax, DialField::TachoX, DialField::TachoY, DialField::TachoMinX, DialField::TachoMinY,
              DialField::TachoMaxX, DialField::TachoMaxY});
    return record;
}

QByteArray encodeDemoContainer(const std::vector<DemoObject> &objects, const DialRecord &dialRecord)
{
    const int count = int(objects.size());
    const int objectArea = ShpiHeader::Size + count * DirectoryEntry::Size + 4;

    // The object area is built first so that each directory entry's Spare
    // can hold where the object's chunks begin; the walk never uses it.
    QByteArray area;
    std::vector<DirectoryEntry> directory;
    for (int i = 0; i < count; ++i) {
        const DemoObject &object = objects[size_t(i)];
        directory.push_back({object.name, int32_t(objectArea + area.size())});

        if (i == ObjectAfterSkippedChunks) {
            for (const SkippedChunk &skipped : skippedChunks()) {
                append(area, ChunkHeader{skipped.name, 0, ChunkHeader::Skipped, int32_t(skipped.payload.size())});
                area.append(skipped.payload);
            }
        }
        ChunkHeader chunk{object.name, 0, 0, 0};
        const QByteArray pixels = pixelBlock(object.mask);
        chunk.Spare = int32_t(ObjectHeader::Size + pixels.size() + (chunk.carriesDialRecord() ? DialRecord::Size : 0));
        append(area, chunk);
        append(area, object.header);
        area.append(pixels);
        if (chunk.carriesDialRecord())
            append(area, dialRecord);
    }

    ShpiHeader header;
    header.Ident = fixedText("TOLVDEMO");
    header.Spare = int32_t(objectArea + area.size()); // the file's length
    header.ObjectCount = count;
    header.DirTag = fixedText("DASH");

    QByteArray file;
    append(file, header);
    for (const DirectoryEntry &entry : directory)
        append(file, entry);
    file.append("----", 4); // the gap word, never read for its value
    file.append(area);
    return file;
}

} // namespace tolvane::demo
