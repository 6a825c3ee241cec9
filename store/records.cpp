#include "records.h"
#include "littleendian.h"

#include <QString>

namespace tolvane {

using namespace le;

ShpiHeader ShpiHeader::decode(const char *bytes)
{
    ShpiHeader h;
    readText(bytes, h.Ident);
    h.Spare = readInt32(bytes + 8);
    h.ObjectCount = readInt32(bytes + 12);
    readText(bytes + 16, h.DirTag);
    return h;
}

void ShpiHeader::encode(char *bytes) const
{
    writeText(bytes, Ident);
    writeInt32(bytes + 8, Spare);
    writeInt32(bytes + 12, ObjectCount);
    writeText(bytes + 16, DirTag);
}

DirectoryEntry DirectoryEntry::decode(const char *bytes)
{
    DirectoryEntry e;
    readText(bytes, e.Name);
    e.Spare = readInt32(bytes + 4);
    return e;
}

void DirectoryEntry::encode(char *bytes) const
{
    writeText(bytes, Name);
    writeInt32(bytes + 4, Spare);
}

bool ChunkHeader::carriesDialRecord() const
{
    return Name == FixedText<4>{'0', '0', '0', '0'};
}

ChunkHeader ChunkHeader::decode(const char *bytes)
{
    ChunkHeader c;
    readText(bytes, c.Name);
    c.Spare = readInt32(bytes + 4);
    c.SkipFlag = readInt32(bytes + 8);
    c.SkipLength = readInt32(bytes + 12);
    return c;
}

void ChunkHeader::encode(char *bytes) const
{
    writeText(bytes, Name);
    writeInt32(bytes + 4, Spare);
    writeInt32(bytes + 8, SkipFlag);
    writeInt32(bytes + 12, SkipLength);
}

ObjectHeader ObjectHeader::decode(const char *bytes)
{
    ObjectHeader o;
    o.Width = readInt16(bytes);
    o.Height = readInt16(bytes + 2);
    o.XCentre = readInt16(bytes + 4);
    o.YCentre = readInt16(bytes + 6);
    o.XPos = readInt16(bytes + 8);
    o.YPos = readInt16(bytes + 10);
    return o;
}

void ObjectHeader::encode(char *bytes) const
{
    writeInt16(bytes, Width);
    writeInt16(bytes + 2, Height);
    writeInt16(bytes + 4, XCentre);
    writeInt16(bytes + 6, YCentre);
    writeInt16(bytes + 8, XPos);
    writeInt16(bytes + 10, YPos);
}

const std::array<DialFieldInfo, 17> DialFields = {{
    {DialField::DialWidth, "DialWidth"},
    {DialField::MphMax, "MphMax"},
    {DialField::SpeedoX, "SpeedoX"},
    {DialField::SpeedoY, "SpeedoY"},
    {DialField::SpeedoMaxX, "SpeedoMaxX"},
    {DialField::SpeedoMaxY, "SpeedoMaxY"},
    {DialField::SpeedoMinX, "SpeedoMinX"},
    {DialField::SpeedoMinY, "SpeedoMinY"},
    {DialField::RpmMax, "RpmMax"},
    {DialField::TachoX, "TachoX"},
    {DialField::TachoY, "TachoY"},
    {DialField::TachoMaxX, "TachoMaxX"},
    {DialField::TachoMaxY, "TachoMaxY"},
    {DialField::TachoMinX, "TachoMinX"},
    {DialField::TachoMinY, "TachoMinY"},
    {DialField::ColourX, "ColourX"},
    {DialField::ColourY, "ColourY"},
}};

// The first fifteen entries of DialFields are, in order, the fields of the
// fifteen dial boxes.
const std::array<DialField, 15> DialSetFields = [] {
    std::array<DialField, 15> fields{};
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i] = DialFields[i].field;
    return fields;
}();

bool dialFieldByName(const QString &name, DialField *field)
{
    for (const DialFieldInfo &info : DialFields) {
        if (name == QLatin1String(info.name)) {
            *field = info.field;
            return true;
        }
    }
    return false;
}

int16_t DialRecord::field(DialField f) const
{
    return readInt16(m_bytes.data() + int(f));
}

void DialRecord::setField(DialField f, int16_t value)
{
    writeInt16(m_bytes.data() + int(f), value);
}

DialRecord DialRecord::decode(const char *bytes)
{
    DialRecord d;
    std::memcpy(d.m_bytes.data(), bytes, Size);
    return d;
}

void DialRecord::encode(char *bytes) const
{
    std::memcpy(bytes, m_bytes.data(), Size);
}

} // namespace tolvane
