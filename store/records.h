#pragma once

// The records of SHPI.DAT, byte for byte. Every integer in the file is
// little-endian two's complement and records are packed, so each record is
// decoded from and encoded to its exact bytes rather than through a C struct.

#include <QByteArray>

#include <array>
#include <cstdint>
#include <limits>

namespace tolvane {

/// A fixed-width text field: kept exactly as read, compared only, never
/// trimmed or re-encoded.
template<size_t N>
using FixedText = std::array<char, N>;

/// Whether @p value lies within the file's 16-bit integers, -32768 to 32767;
/// false for NaN. A coordinate or a typed number is checked with it before it
/// is converted to one.
constexpr bool fitsInt16(double value)
{
    return value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max();
}

struct ShpiHeader
{
    static constexpr int Size = 20;

    FixedText<8> Ident{};
    int32_t Spare = 0;
    int32_t ObjectCount = 0; // the count is this one, not Spare
    FixedText<4> DirTag{};

    static ShpiHeader decode(const char *bytes);
    void encode(char *bytes) const;
};

struct DirectoryEntry
{
    static constexpr int Size = 8;

    FixedText<4> Name{};
    int32_t Spare = 0; // never used to find anything: the object area is walked

    static DirectoryEntry decode(const char *bytes);
    void encode(char *bytes) const;
};

struct ChunkHeader
{
    static constexpr int Size = 16;
    static constexpr int32_t Skipped = -1;

    FixedText<4> Name{};
    int32_t Spare = 0;
    int32_t SkipFlag = 0;
    int32_t SkipLength = 0;

    bool isSkipped() const { return SkipFlag == Skipped; }
    /// Only a chunk named exactly "0000" is followed by the DialRecord.
    bool carriesDialRecord() const;

    static ChunkHeader decode(const char *bytes);
    void encode(char *bytes) const;
};

struct ObjectHeader
{
    static constexpr int Size = 12;

    int16_t Width = 0;
    int16_t Height = 0;
    int16_t XCentre = 0;
    int16_t YCentre = 0;
    int16_t XPos = 0;
    int16_t YPos = 0;

    qint64 pixelCount() const { return qint64(Width) * Height; }

    static ObjectHeader decode(const char *bytes);
    void encode(char *bytes) const;

    friend bool operator==(const ObjectHeader &, const ObjectHeader &) = default;
};

/// The fields of the DialRecord that the editor uses. Each is the higher
/// Int16 of a 4-byte group; the value is its byte offset in the record.
enum class DialField : int {
    ColourX = 24,
    ColourY = 28,
    DialWidth = 32,
    SpeedoX = 40,
    SpeedoY = 44,
    MphMax = 60,
    SpeedoMinX = 64,
    SpeedoMinY = 68,
    SpeedoMaxX = 72,
    SpeedoMaxY = 76,
    TachoX = 80,
    TachoY = 84,
    RpmMax = 100,
    TachoMinX = 104,
    TachoMinY = 108,
    TachoMaxX = 112,
    TachoMaxY = 116,
};

struct DialFieldInfo
{
    DialField field;
    const char *name;
};

/// The 17 used fields, in the order the dump lists them.
extern const std::array<DialFieldInfo, 17> DialFields;
/// The field shown in each of the fifteen boxes of the dial panel, by box index.
extern const std::array<DialField, 15> DialSetFields;

/// Looks a field up by its name; false when there is no such field.
bool dialFieldByName(const QString &name, DialField *field);

/// The 120-byte dial record. It is held as its raw bytes so that every field
/// the editor does not interpret is written back exactly as read.
class DialRecord
{
public:
    static constexpr int Size = 120;

    int16_t field(DialField f) const;
    void setField(DialField f, int16_t value);

    static DialRecord decode(const char *bytes);
    void encode(char *bytes) const;

    friend bool operator==(const DialRecord &, const DialRecord &) = default;

private:
    std::array<char, Size> m_bytes{};
};

} // namespace tolvane
