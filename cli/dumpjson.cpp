#include "dumpjson.h"
#include "tablesjson.h"

#include "store/listing.h"

namespace tolvane::cli {

namespace {

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
    QList<QByteArray> members = {member(json::Name, json::compactText(nameText(entry.Name)))};
    for (const json::HeaderKey &key : json::HeaderKeys)
        members.append(member(key.name, h.*key.field));
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
    return "{\n  " + member(json::ObjectCount, objects.count()) + ",\n  " +
           member(json::Objects, "[\n" + rows.join(",\n") + "\n  ]") + ",\n  " +
           member(json::DialRecordKey, dialJson(tables)) + "\n}\n";
}

} // namespace tolvane::cli
