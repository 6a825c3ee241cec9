#include "safewrite.h"
#include "systemfiles.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>

namespace tolvane {

namespace {

const QString StagingMark = QStringLiteral(".tolvane~");

QString writeFailure(const QString &reason)
{
    return QStringLiteral("cannot be written: %1").arg(reason);
}

} // namespace

DirectoryHandle::DirectoryHandle(const QString &path) : m_path(QDir::cleanPath(path)) {}

DirectoryHandle::~DirectoryHandle()
{
    system_files::closeDescriptor(m_fd);
}

Status DirectoryHandle::open()
{
    if (m_fd >= 0)
        return Status::success();
    QString reason;
    m_fd = system_files::openDirectory(m_path, &reason);
    if (m_fd < 0 && !reason.isEmpty())
        return Status::fileError(m_path, QStringLiteral("cannot be opened: %1").arg(reason));
    return Status::success();
}

struct SafeWrite::Private
{
    std::shared_ptr<const DirectoryHandle> directory;
    std::shared_ptr<DirectoryHandle> ownDirectory; // opened by this write, when not shared
    QString name;
    system_files::StagedFile staged;
    QBuffer inPlaceContent;
    system_files::Flush flush = system_files::Flush::Now;
    bool inPlace = false;
    bool finished = false;
    bool done = false;

    QString path() const { return directory->path() + QLatin1Char('/') + name; }
};

SafeWrite::SafeWrite(const QString &directory, const QString &name)
    : SafeWrite(std::make_shared<DirectoryHandle>(directory), name)
{
    d->ownDirectory = std::const_pointer_cast<DirectoryHandle>(d->directory);
}

SafeWrite::SafeWrite(std::shared_ptr<const DirectoryHandle> directory, const QString &name, Flush flush)
    : d(std::make_unique<Private>())
{
    d->directory = std::move(directory);
    d->name = name;
    if (flush == Flush::ByCaller)
        d->flush = system_files::Flush::ByCaller;
}

SafeWrite::~SafeWrite()
{
    cancel();
}

Status SafeWrite::open()
{
    // A shared handle is opened by its owner.
    if (d->ownDirectory) {
        if (Status s = d->ownDirectory->open(); !s)
            return s;
    }
    QString reason;
    switch (system_files::stage(*d->directory, d->name, StagingMark, &d->staged, &reason)) {
    case system_files::Staging::Staged:
        return Status::success();
    case system_files::Staging::InPlace:
        d->inPlace = true;
        d->inPlaceContent.open(QIODevice::WriteOnly);
        return Status::success();
    case system_files::Staging::Failed:
        break;
    }
    return Status::fileError(d->path(), reason);
}

QIODevice &SafeWrite::device()
{
    if (d->inPlace)
        return d->inPlaceContent;
    return *d->staged.device;
}

int SafeWrite::handle() const
{
    return d->inPlace ? -1 : d->staged.descriptor;
}

Status SafeWrite::finish()
{
    if (d->finished || d->inPlace)
        return Status::success();
    QString reason;
    if (!system_files::finishStaged(*d->directory, d->name, &d->staged, &reason, d->flush)) {
        cancel();
        return Status::fileError(d->path(), writeFailure(reason));
    }
    d->finished = true;
    return Status::success();
}

Status SafeWrite::commit()
{
    if (d->done)
        return Status::fileError(d->path(), writeFailure(QStringLiteral("the write was already ended")));
    QString reason;
    if (d->inPlace) {
        d->done = true;
        if (!system_files::writeInPlace(*d->directory, d->name, d->inPlaceContent.data(), &reason))
            return Status::fileError(d->path(), writeFailure(reason));
        return Status::success();
    }
    if (Status s = finish(); !s)
        return s;
    if (!system_files::replaceWithStaged(*d->directory, d->name, &d->staged, &reason, d->flush)) {
        cancel();
        return Status::fileError(d->path(), writeFailure(reason));
    }
    d->done = true;
    return Status::success();
}

void SafeWrite::cancel()
{
    if (d->done)
        return;
    d->done = true;
    if (!d->inPlace)
        system_files::discardStaged(*d->directory, &d->staged);
}

bool SafeWrite::atomic() const
{
    return !d->inPlace;
}

QString SafeWrite::stagingName() const
{
    return d->staged.stagingName;
}

QString SafeWrite::path() const
{
    return d->path();
}

Status writeFileSafely(const QString &path, const std::function<bool(QIODevice &)> &produce)
{
    const QFileInfo info(path);
    SafeWrite file(info.absolutePath(), info.fileName());
    if (Status s = file.open(); !s)
        return s;
    if (!produce(file.device())) {
        const QString reason = file.device().errorString();
        return Status::fileError(path, writeFailure(reason.isEmpty() || reason == QLatin1String("Unknown error")
                                                        ? QStringLiteral("its content could not be encoded")
                                                        : reason));
    }
    Status committed = file.commit();
    if (committed && !file.atomic())
        committed.addNote(notAtomicNote(file.path()));
    return committed;
}

QString notAtomicNote(const QString &path)
{
    return QDir::toNativeSeparators(path) +
           QStringLiteral(" was written in place: its directory takes no new file, so this write was not atomic");
}

bool isStagingFileName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("\\A\\..+") + QRegularExpression::escape(StagingMark) +
                                            QStringLiteral("[A-Za-z0-9]{6}\\z"));
    return pattern.match(fileName).hasMatch();
}

void removeStagingLeftovers(const QString &directory)
{
    const QDir dir(directory);
    const auto candidates = dir.entryInfoList({QLatin1Char('*') + StagingMark + QStringLiteral("??????")},
                                              QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &candidate : candidates) {
        if (isStagingFileName(candidate.fileName()) && !candidate.isSymLink())
            QFile::remove(candidate.filePath());
    }
}

} // namespace tolvane
