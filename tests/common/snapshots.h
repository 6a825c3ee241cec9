#pragma once

// Snapshots that make "nothing changed" one comparison: of the tables, and
// of a directory on disk.

#include "store/shpitables.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

namespace testing_support {

/// Every byte of the tables that a file operation may change.
inline QByteArray tableBytes(const tolvane::ShpiTables &t)
{
    using namespace tolvane;
    QByteArray b;
    for (const DirectoryEntry &entry : t.objects.directory) {
        char e[DirectoryEntry::Size];
        entry.encode(e);
        b.append(e, DirectoryEntry::Size);
    }
    for (const ObjectHeader &header : t.objects.headers) {
        char h[ObjectHeader::Size];
        header.encode(h);
        b.append(h, ObjectHeader::Size);
    }
    char dial[DialRecord::Size];
    t.dialRecord.encode(dial);
    b.append(dial, DialRecord::Size);
    b.append(char(t.hasDialRecord));
    for (const ChunkDialRecord &read : t.dialRecordsRead) {
        b.append(QByteArray::number(read.object));
        read.record.encode(dial);
        b.append(dial, DialRecord::Size);
    }
    return b;
}

/// One line per entry below @p dir, hidden ones included: its relative name,
/// and the target of a link or the hash of a file's bytes.
inline QStringList directorySnapshot(const QString &dir)
{
    QStringList lines;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString line = info.filePath().mid(dir.size() + 1);
        if (info.isSymLink()) {
            line += QStringLiteral(" -> ") + info.symLinkTarget();
        } else if (info.isFile()) {
            QFile file(info.filePath());
            if (file.open(QIODevice::ReadOnly))
                line += QLatin1Char(' ') + QString::fromLatin1(
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
        }
        lines.append(line);
    }
    lines.sort();
    return lines;
}

} // namespace testing_support
