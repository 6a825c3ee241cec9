#include "commands.h"
#include "duplicatekeys.h"
#include "jsonpath.h"
#include "streamprinter.h"

#include "document/dashboarddocument.h"
#include "store/dashboardlock.h"
#include "store/listing.h"
#include "store/shpitables.h"
#include "store/status.h"
#include "store/systemfiles.h"

#include <QFile>
#include <QJsonObject>

#include <cmath>
#include <limits>
#include <optional>

namespace tolvane::cli {

namespace {

// No dump of a container comes near this; it keeps a wrong file from filling
// the memory.
constexpr qint64 LargestJson = qint64(64) << 20;

/// What is wrong in the JSON and where: the path of keys and indices that
/// leads to it, such as "Objects[3].XPos", empty for the whole document.
struct Fault
{
    QString path;
    QString what;
};
using Check = std::optional<Fault>;

using json::elementPath;
using json::memberPath;
using json::shownValue;

Check readInteger(const QJsonValue &value, const QString &path, qint64 min, qint64 max, qint64 *result)
{
    if (!value.isDouble())
        return Fault{path, QStringLiteral("%1 is not a number").arg(shownValue(value))};
    const double v = value.toDouble();
    if (v != std::trunc(v))
        return Fault{path, QStringLiteral("%1 is not an integer").arg(shownValue(value))};
    if (v < double(min) || v > double(max))
        return Fault{path, QStringLiteral("%1 is out of range: an integer from %2 to %3 is needed")
                               .arg(shownValue(value), QString::number(min), QString::number(max))};
    *result = qint64(v);
    return std::nullopt;
}

Check readInt16(const QJsonValue &value, const QString &path, int16_t *result)
{
    qint64 v = 0;
    if (Check fault = readInteger(value, path, std::numeric_limits<int16_t>::min(),
                                  std::numeric_limits<int16_t>::max(), &v))
        return fault;
    *result = int16_t(v);
    return std::nullopt;
}

// The object at @p path must hold exactly the keys @p known: an unknown key
// is most likely a typing error that would otherwise go unnoticed.
Check exactKeys(const QJsonObject &object, const QString &path, const QStringList &known)
{
    for (const QString &key : object.keys()) {
        if (!known.contains(key))
            return Fault{memberPath(path, key),
                         QStringLiteral("unknown key; the keys here are %1").arg(known.join(QStringLiteral(", ")))};
    }
    for (const QString &key : known) {
        if (!object.contains(key))
            return Fault{path, QStringLiteral("the key \"%1\" is missing").arg(key)};
    }
    return std::nullopt;
}

Check readObject(const QJsonValue &value, int index, const DirectoryEntry &entry, ObjectHeader &header)
{
    const QString path = elementPath(QLatin1String(json::Objects), index);
    if (!value.isObject())
        return Fault{path, QStringLiteral("%1 is not an object").arg(shownValue(value))};
    const QJsonObject object = value.toObject();
    QStringList known{QLatin1String(json::Name)};
    for (const json::HeaderKey &key : json::HeaderKeys)
        known.append(QLatin1String(key.name));
    if (Check fault = exactKeys(object, path, known))
        return fault;

    const QString name = nameText(entry.Name);
    if (object[QLatin1String(json::Name)] != QJsonValue(name))
        return Fault{memberPath(path, QLatin1String(json::Name)),
                     QStringLiteral("%1, but object %2 of SHPI.DAT is %3")
                         .arg(shownValue(object[QLatin1String(json::Name)]), QString::number(index), shownValue(name))};
    for (const json::HeaderKey &key : json::HeaderKeys) {
        const QString keyPath = memberPath(path, QLatin1String(key.name));
        int16_t v = 0;
        if (Check fault = readInt16(object[QLatin1String(key.name)], keyPath, &v))
            return fault;
        if (!key.applied && v != header.*key.field)
            return Fault{keyPath, QStringLiteral("%1, but SHPI.DAT holds %2; apply changes neither the size "
                                                 "nor the centre of an object")
                                      .arg(v).arg(header.*key.field)};
        header.*key.field = v;
    }
    return std::nullopt;
}

Check readDialRecord(const QJsonValue &value, bool hasDialRecord, DialRecord &record)
{
    const QString path = QLatin1String(json::DialRecordKey);
    if (!hasDialRecord) {
        if (value.isNull())
            return std::nullopt;
        return Fault{path, QStringLiteral("SHPI.DAT holds no dial record (no chunk is named \"0000\"), "
                                          "so this must be null")};
    }
    if (!value.isObject())
        return Fault{path, QStringLiteral("%1, but SHPI.DAT holds a dial record: this must be an object of its "
                                          "fields").arg(shownValue(value))};
    const QJsonObject object = value.toObject();
    QStringList known;
    for (const DialFieldInfo &info : DialFields)
        known.append(QLatin1String(info.name));
    if (Check fault = exactKeys(object, path, known))
        return fault;
    for (const DialFieldInfo &info : DialFields) {
        int16_t v = 0;
        if (Check fault = readInt16(object[QLatin1String(info.name)], memberPath(path, QLatin1String(info.name)), &v))
            return fault;
        record.setField(info.field, v);
    }
    return std::nullopt;
}

// Takes the positions and the dial fields of @p document into @p tables,
// after checking that the document describes the same objects.
Check readTables(const QJsonDocument &document, ShpiTables &tables)
{
    if (!document.isObject())
        return Fault{QString(), QStringLiteral("the top level is not an object as 'tolvane-cli dump' writes it")};
    const QJsonObject root = document.object();
    if (Check fault = exactKeys(root, QString(), {QLatin1String(json::ObjectCount), QLatin1String(json::Objects),
                                                  QLatin1String(json::DialRecordKey)}))
        return fault;

    ObjectTable &objects = tables.objects;
    const QString countPath = QLatin1String(json::ObjectCount);
    qint64 count = 0;
    if (Check fault = readInteger(root[countPath], countPath, 0, std::numeric_limits<int32_t>::max(), &count))
        return fault;
    if (count != objects.count())
        return Fault{countPath, QStringLiteral("%1, but SHPI.DAT holds %2 objects").arg(count).arg(objects.count())};
    const QJsonValue list = root[QLatin1String(json::Objects)];
    if (!list.isArray())
        return Fault{QLatin1String(json::Objects), QStringLiteral("%1 is not an array").arg(shownValue(list))};
    const QJsonArray array = list.toArray();
    if (array.size() != objects.count())
        return Fault{QLatin1String(json::Objects), QStringLiteral("%1 in the list, but SHPI.DAT holds %2 objects")
                                                       .arg(array.size()).arg(objects.count())};
    for (int i = 0; i < objects.count(); ++i) {
        if (Check fault = readObject(array[i], i, objects.directory[size_t(i)], objects.headers[size_t(i)]))
            return fault;
    }
    return readDialRecord(root[QLatin1String(json::DialRecordKey)], tables.hasDialRecord, tables.dialRecord);
}

Status readJsonFile(const QString &path, QByteArray *contents)
{
    // A pipe or a device would wait or read forever.
    if (const QString reason = system_files::notRegularFileReason(path, {}); !reason.isEmpty())
        return Status::fileError(path, reason);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::fileError(path, QStringLiteral("cannot be read (%1).").arg(file.errorString()));
    *contents = file.read(LargestJson + 1);
    if (file.error() != QFileDevice::NoError)
        return Status::fileError(path, QStringLiteral("cannot be read (%1).").arg(file.errorString()));
    if (contents->size() > LargestJson)
        return Status::fileError(path, QStringLiteral("is larger than any dump of a container (64 MiB)."));
    return Status::success();
}

QString lineAndColumn(const QByteArray &contents, qsizetype offset)
{
    const QByteArray before = contents.left(offset);
    const qsizetype line = before.count('\n') + 1;
    const qsizetype column = offset - (before.lastIndexOf('\n') + 1) + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// "FILE: PATH: WHAT", or "FILE: WHAT" for the whole document.
QString faultMessage(const QString &jsonPath, const Fault &fault)
{
    return fault.path.isEmpty() ? QStringLiteral("%1: %2").arg(jsonPath, fault.what)
                                : QStringLiteral("%1: %2: %3").arg(jsonPath, fault.path, fault.what);
}

} // namespace

int apply(const QStringList &args, InPlace inPlace)
{
    const QString &jsonPath = args[1];
    QByteArray contents;
    if (Status s = readJsonFile(jsonPath, &contents); !s)
        return fail(s.message());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(QStringLiteral("%1: %2: %3 (not JSON as 'tolvane-cli dump' writes it)")
                        .arg(jsonPath, lineAndColumn(contents, error.offset), error.errorString()));
    // Qt keeps the last of two equal keys; which one was meant is not known.
    if (const auto duplicate = findDuplicateKey(contents)) {
        const QString what = QStringLiteral("duplicate key %1 at %2")
                                 .arg(shownValue(duplicate->key), lineAndColumn(contents, duplicate->offset));
        return fail(faultMessage(jsonPath, Fault{duplicate->path, what}));
    }

    DashboardLock lock(args[0]);
    DashboardDocument dashboard;
    if (Status s = openForWriting(args[0], lock, dashboard); !s)
        return fail(s.message());
    ShpiTables tables = dashboard.tables();
    if (Check fault = readTables(document, tables))
        return fail(faultMessage(jsonPath, *fault));

    // The checked values go in through the editor's own edit path.
    for (int i = 0; i < tables.objects.count(); ++i) {
        const ObjectHeader &header = tables.objects.headers[size_t(i)];
        dashboard.moveObject(i, QPoint(header.XPos, header.YPos));
    }
    if (tables.hasDialRecord) {
        for (const DialFieldInfo &info : DialFields)
            dashboard.setDialField(info.field, tables.dialRecord.field(info.field));
    }
    StreamPrinter out(stdout);
    return finish(dashboard.save(out, {DashboardDocument::ChangedContainer::Refuse, inPlace}));
}

} // namespace tolvane::cli
