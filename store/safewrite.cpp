#include "safewrite.h"
#include "dashboarddirectory.h"
#include "safewritebatch.h"
#include "systemfiles.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>

namespace tolvane {

namespace {

const QString StagingMark = QStringLiteral(".tolvane~");
const QString StagingSuffix = QStringLiteral("XXXXXX"); // six letters or digits

QString writeFailure(const QString &reason)
{
    return QStringLiteral("cannot be written: %1").arg(reason);
}

// What every staging file of @p name begins with: "." + name + the mark, or
// a cut of the name where that would be too long a file name.
QString stagingPrefix(const DirectoryHandle &directory, const QString &name)
{
    QString kept = name;
    while (!kept.isEmpty() &&
           !system_files::fitsFileName(directory, QLatin1Char('.') + kept + StagingMark + StagingSuffix))
        kept.chop(kept.size() > 1 && kept.back().isLowSurrogate() ? 2 : 1);
    return QLatin1Char('.') + kept + StagingMark;
}

bool hasStagingSuffix(const QString &fileName, qsizetype prefixLength)
{
    static const QRegularExpression suffix(QStringLiteral("\\A[A-Za-z0-9]{6}\\z"));
    return suffix.match(QStringView(fileName).mid(prefixLength)).hasMatch();
}

// Removes from @p directory the unlocked files whose names @p isLeftover takes.
template<typename Test>
void removeUnlockedLeftovers(const DirectoryHandle &directory, Test isLeftover)
{
    const auto names = QDir(directory.path()).entryList({QLatin1Char('*') + StagingMark + QStringLiteral("??????")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (isLeftover(name))
            system_files::removeUnlessLocked(directory, name);
    }
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

Status SafeWrite::open(InPlace inPlace)
{
    // A shared handle is opened by its owner.
    if (d->ownDirectory) {
        if (Status s = d->ownDirectory->open(); !s)
            return s;
    }
    QString reason;
    switch (system_files::stage(*d->directory, d->name, stagingPrefix(*d->directory, d->name), &d->staged, &reason)) {
    case system_files::Staging::Staged:
        return Status::success();
    case system_files::Staging::InPlace:
        if (inPlace == InPlace::Refused) {
            d->done = true;
            return Status::inPlaceRefused(d->path(), reason);
        }
        d->inPlace = true;
        d->inPlaceContent.open(QIODevice::WriteOnly);
        return Status::success();
    case system_files::Staging::Failed:
        break;
    }
    d->done = true;
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
    if (d->finished)
        return Status::success();
    QString reason;
    const bool finished =
        d->inPlace ? system_files::reserveInPlace(*d->directory, d->name, d->staged, d->inPlaceContent.size(), &reason)
                   : system_files::syncStaged(&d->staged, true, d->flush, &reason);
    if (!finished) {
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
        if (Status s = finish(); !s)
            return s;
        d->done = true;
        if (!system_files::writeInPlace(*d->directory, d->name, d->staged, d->inPlaceContent.data(), &reason))
            return Status::fileError(d->path(), writeFailure(reason));
        return Status::success();
    }
    // A single file keeps its staging file open, and so locked, up to the rename.
    if (!d->finished && !system_files::syncStaged(&d->staged, false, d->flush, &reason)) {
        cancel();
        return Status::fileError(d->path(), writeFailure(reason));
    }
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

Status writeFileSafely(const QString &path, const std::function<bool(QIODevice &)> &produce, InPlace inPlace)
{
    const QFileInfo info(path);
    auto directory = std::make_shared<DirectoryHandle>(info.absolutePath());
    if (Status s = directory->open(); !s)
        return s;
    // A killed write of this name (a render, say) left its staging file here.
    const QString prefix = stagingPrefix(*directory, info.fileName());
    removeUnlockedLeftovers(*directory, [&](const QString &name) {
        return name.startsWith(prefix) && hasStagingSuffix(name, prefix.size());
    });

    SafeWrite file(directory, info.fileName());
    if (Status s = file.open(inPlace); !s)
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

bool isStagingFileName(const QString &fileName)
{
    const qsizetype mark = fileName.lastIndexOf(StagingMark);
    return fileName.startsWith(QLatin1Char('.')) && mark > 0 && hasStagingSuffix(fileName, mark + StagingMark.size());
}

QString notAtomicNote(const QString &path)
{
    return QDir::toNativeSeparators(path) +
           QStringLiteral(" was written in place, as allowed: this write was not atomic");
}

void removeStagingLeftovers(const QString &directory)
{
    // Only a dashboard's own files are written under its lock: SHPI.DAT, the
    // masks "SHPI" + name + ".BMP", the artwork name + ".bmp" and the journal
    // of an extraction's set of masks.
    static const QRegularExpression ours(QStringLiteral("\\A\\.(SHPI\\.DAT|(SHPI)?.{4}\\.BMP|") +
                                             QRegularExpression::escape(SafeWriteBatch::JournalName) +
                                             QStringLiteral(")") +
                                             QRegularExpression::escape(StagingMark) +
                                             QStringLiteral("[A-Za-z0-9]{6}\\z"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    if (DashboardDirectory(directory).existingFile(DashboardDirectory::ContainerName).isEmpty())
        return;
    DirectoryHandle handle(directory);
    if (!handle.open())
        return;
    removeUnlockedLeftovers(handle, [](const QString &name) { return ours.match(name).hasMatch(); });
}

} // namespace tolvane
