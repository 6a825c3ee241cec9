#include "safewritebatch.h"
#include "systemfiles.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace tolvane {

namespace {

const QByteArray JournalHeader = QByteArrayLiteral("tolvane renames 1\n");
// Far above any dashboard's: a name pair takes some 40 bytes.
constexpr qint64 MaxJournalSize = 16 << 20;

using Renames = std::vector<std::pair<QString, QString>>;

// The header, then every staging file's name and the name it replaces, each
// ended by a NUL, which no file name holds.
QByteArray encodeJournal(const Renames &renames)
{
    QByteArray journal = JournalHeader;
    for (const auto &[staging, name] : renames)
        journal += staging.toUtf8() + '\0' + name.toUtf8() + '\0';
    return journal;
}

bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

// Empty unless the whole journal is well formed and renames only staging
// files of ours onto their own plain names inside the directory.
Renames decodeJournal(const QByteArray &journal)
{
    if (!journal.startsWith(JournalHeader) || !journal.endsWith('\0'))
        return {};
    const QList<QByteArray> parts = journal.mid(JournalHeader.size()).chopped(1).split('\0');
    if (parts.size() % 2 != 0)
        return {};
    Renames renames;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString staging = QString::fromUtf8(parts[i]);
        const QString name = QString::fromUtf8(parts[i + 1]);
        if (!isPlainName(name) || !isStagingFileName(staging) ||
            !staging.startsWith(QLatin1Char('.') + name + QLatin1Char('.')) || staging.contains(QLatin1Char('/')))
            return {};
        renames.emplace_back(staging, name);
    }
    return renames;
}

} // namespace

SafeWriteBatch::SafeWriteBatch(std::shared_ptr<const DirectoryHandle> directory)
    : m_directory(std::move(directory)) {}

SafeWriteBatch::~SafeWriteBatch() = default;

SafeWrite &SafeWriteBatch::add(const QString &name)
{
    m_files.push_back(std::make_unique<SafeWrite>(m_directory, name, SafeWrite::Flush::ByCaller));
    return *m_files.back();
}

Status SafeWriteBatch::commit()
{
    if (m_files.empty())
        return Status::success();
    QString reason;
    for (const auto &file : m_files) {
        if (Status s = file->finish(); !s)
            return s;
    }
    // Every byte is durable before the first name changes.
    if (!system_files::syncFileSystem(*m_directory, &reason))
        return Status::fileError(m_directory->path(), QStringLiteral("cannot be written: %1").arg(reason));
    // Files written in place (a directory that takes no new file) have no
    // staging file to record; such a write is not atomic anyway.
    const bool journaled = std::all_of(m_files.begin(), m_files.end(), [](const auto &file) {
        return !file->stagingName().isEmpty();
    });
    if (journaled) {
        if (Status s = writeJournal(); !s)
            return s;
    }
    Status committed = Status::success();
    for (const auto &file : m_files) {
        const Status s = file->commit();
        if (!s && committed)
            committed = s;
        else if (s && committed && !file->atomic())
            committed.addNote(notAtomicNote(file->path()));
    }
    system_files::syncDirectory(*m_directory);
    if (journaled)
        system_files::removeFile(*m_directory, SafeWriteBatch::JournalName);
    return committed;
}

Status SafeWriteBatch::writeJournal()
{
    Renames renames;
    for (const auto &file : m_files)
        renames.emplace_back(file->stagingName(), QFileInfo(file->path()).fileName());
    SafeWrite journal(m_directory, SafeWriteBatch::JournalName);
    if (Status s = journal.open(); !s)
        return s;
    const QByteArray bytes = encodeJournal(renames);
    if (journal.device().write(bytes) != bytes.size())
        return Status::fileError(journal.path(),
                                 QStringLiteral("cannot be written: %1").arg(journal.device().errorString()));
    return journal.commit();
}

void finishInterruptedBatch(const QString &directory)
{
    DirectoryHandle handle(directory);
    QByteArray journal;
    if (!handle.open() || !system_files::readSmallFile(handle, SafeWriteBatch::JournalName, MaxJournalSize, &journal))
        return;
    // The files renamed before the kill no longer have their staging name.
    QString reason;
    for (const auto &[staging, name] : decodeJournal(journal))
        system_files::renameWithin(handle, staging, name, &reason);
    system_files::syncDirectory(handle);
    system_files::removeFile(handle, SafeWriteBatch::JournalName);
}

} // namespace tolvane
