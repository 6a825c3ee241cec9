#include "dumpjson.h"
#include "store/listing.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tolvane::cli {

namespace {

QByteArray jsonString(const QString &text)
{
    // A one-element array is the simplest way to have Qt escape a string.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    QByteArray json = array.mid(1, array.size() - 2);
    // Qt leaves DEL and the C1 controls raw, and a terminal acts on those too.
    for (char16_t c = 0x7f; c <= 0x9f; ++c)
        json.replace(QString(QChar(c)).toUtf8(), "\\u00" + QByteArray::number(int(c), 16));
    return json;
}

QByteArray member(const char *key, const QByteArray &value)
{
    return QByteArray("\"") + key + "\": " + value;
}

QByteArray member(const char *key, int value)
{
    return member(key, QByteArray::number(value));
}

QByteArray objectJson(const DirectoryEntry &entry, const ObjectHeader &h)
{
    const QList<QByteArray> members = {
        member("Name", jsonString(nameText(entry.Name))),
        member("Width", h.Width),
        member("Height", h.Height),
        member("XCentre", h.XCentre),
        member("YCentre", h.YCentre),
        member("XPos", h.XPos),
        member("YPos", h.YPos),
    };
    return "{" + members.join(", ") + "}";
}

QByteArray dialJson(const ShpiTables &tables)
{
    if (!tables.hasDialRecord)
        return "null";
    QList<QByteArray> members;
    for (const DialFieldInfo &info : DialFields)
        members.append("    " + member(info.name, tables.dialRecord.field(info.field)));
    return "{\n" + members.join(",\n") + "\n  }";
}

} // namespace

QByteArray dumpJson(const ShpiTables &tables)
{
    const ObjectTable &objects = tables.objects;
    QList<QByteArray> rows;
    for (int i = 0; i < objects.count(); ++i)
        rows.append("    " + objectJson(objects.directory[i], objects.headers[i]));
    return "{\n  " + member("ObjectCount", objects.count()) + ",\n  \"Objects\": [\n" + rows.join(",\n") +
           "\n  ],\n  " + member("DialRecord", dialJson(tables)) + "\n}\n";
}

} // namespace tolvane::cli
