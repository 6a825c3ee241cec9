#pragma once

// The JSON form of the tables: what "dump" writes and "apply" reads. Both take
// every key from here, so the two cannot drift apart.

#include "store/records.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <array>
#include <cstdint>

namespace tolvane::cli::json {

inline constexpr char ObjectCount[] = "ObjectCount";
inline constexpr char Objects[] = "Objects";
inline constexpr char DialRecordKey[] = "DialRecord";
inline constexpr char Name[] = "Name";

/// One number of an ObjectHeader in the JSON. Only the position is applied:
/// the size decides how many pixel bytes the container holds, and the centre
/// is not edited anywhere, so those must come back as they were dumped.
struct HeaderKey
{
    const char *name;
    int16_t ObjectHeader::*field;
    bool applied;
};

/// An object's numbers after its Name, in the order the dump lists them.
inline constexpr std::array<HeaderKey, 6> HeaderKeys{{
    {"Width", &ObjectHeader::Width, false},
    {"Height", &ObjectHeader::Height, false},
    {"XCentre", &ObjectHeader::XCentre, false},
    {"YCentre", &ObjectHeader::YCentre, false},
    {"XPos", &ObjectHeader::XPos, true},
    {"YPos", &ObjectHeader::YPos, true},
}};

// The DialRecord's keys are the names of DialFields (store/records.h), which
// set-dial takes as well.

/// @p value as compact JSON text, strings quoted and escaped.
inline QByteArray compactText(const QJsonValue &value)
{
    // A one-element array is the simplest way to have Qt write one value.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    QByteArray json = array.mid(1, array.size() - 2);
    // Qt leaves DEL and the C1 controls raw, and a terminal acts on those too.
    for (char16_t c = 0x7f; c <= 0x9f; ++c)
        json.replace(QString(QChar(c)).toUtf8(), "\\u00" + QByteArray::number(int(c), 16));
    return json;
}

} // namespace tolvane::cli::json
