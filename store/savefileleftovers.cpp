#include "savefileleftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace tolvane {

namespace {

bool sameBytes(QFile &a, QFile &b, qint64 length)
{
    constexpr qint64 Chunk = 1 << 20;
    while (length > 0) {
        const qint64 n = std::min(length, Chunk);
        const QByteArray x = a.read(n);
        if (x.size() != n || x != b.read(n))
            return false;
        length -= n;
    }
    return true;
}

// A killed write leaves a copy cut off anywhere, an interrupted rename a whole one.
bool isLeftover(const QFileInfo &candidate, const QString &path, qint64 size, qint64 keyLength)
{
    const qint64 length = candidate.size();
    if (length > size)
        return false;
    QFile copy(candidate.filePath());
    QFile original(path);
    return copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly) &&
           sameBytes(copy, original, length == size ? size : std::min(length, keyLength));
}

} // namespace

void removeSaveFileLeftovers(const QString &path, const QDateTime &before, qint64 keyLength)
{
    const QFileInfo file(path);
    const QDir dir = file.dir();
    // QSaveFile names its copy after the file and six random letters or digits.
    const QRegularExpression copyName(QStringLiteral("\\A") + QRegularExpression::escape(file.fileName()) +
                                      QStringLiteral("\\.[A-Za-z0-9]{6}\\z"));
    const QStringList pattern(file.fileName() + QStringLiteral(".??????"));
    for (const QFileInfo &candidate : dir.entryInfoList(pattern, QDir::Files | QDir::Hidden | QDir::System)) {
        if (!copyName.match(candidate.fileName()).hasMatch() || candidate.isSymLink() || !candidate.isFile() ||
            candidate.lastModified() >= before)
            continue;
        if (isLeftover(candidate, path, file.size(), keyLength))
            QFile::remove(candidate.filePath());
    }
}

} // namespace tolvane
