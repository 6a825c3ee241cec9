#include "systemfiles.h"
#include "safewrite.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif
#endif

namespace tolvane::system_files {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

#ifdef Q_OS_UNIX

namespace {

QString randomSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return suffix;
}

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

// Writes to a descriptor to the last byte, and keeps the system's reason when
// it refuses one (a short write is retried, so a full disk reads as such).
class DescriptorDevice : public QIODevice
{
public:
    explicit DescriptorDevice(int fd) : m_fd(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                setErrorString(errorText(n < 0 ? errno : ENOSPC));
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char *data, qint64 size, qint64 offset, QString *reason)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *reason = errorText(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

// The owner and group first: changing them clears the set-id bits, which the
// mode then puts back. What the process may not set stays as created.
void copyOwnership(int from, int to)
{
    struct stat st;
    if (::fstat(from, &st) != 0)
        return;
    if (::fchown(to, st.st_uid, st.st_gid) != 0)
        (void)!::fchown(to, uid_t(-1), st.st_gid);
    (void)!::fchmod(to, st.st_mode & 07777);
#ifdef Q_OS_LINUX
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return;
    QByteArray names(listSize, '\0');
    const ssize_t got = ::flistxattr(from, names.data(), size_t(names.size()));
    for (qsizetype at = 0; got > 0 && at < got;) {
        const char *name = names.constData() + at;
        at += qsizetype(std::strlen(name)) + 1;
        const ssize_t valueSize = ::fgetxattr(from, name, nullptr, 0);
        if (valueSize < 0)
            continue;
        QByteArray value(valueSize, '\0');
        const ssize_t valueGot = ::fgetxattr(from, name, value.data(), size_t(value.size()));
        if (valueGot >= 0)
            (void)::fsetxattr(to, name, value.constData(), size_t(valueGot), 0);
    }
#endif
}

const char LockFileName[] = ".tolvane.lock";

// Opens the lock file for writing. A new one may be written by those whom the
// directory's mode lets write it, and read by nobody: who cannot open it
// cannot lock it. -1 when it cannot be opened: @p denied when permissions or a
// read-only file system stop it, else @p reason says why.
int openLockFile(int dir, bool *denied, QString *reason)
{
    int fd = ::openat(dir, LockFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IWUSR);
    if (fd >= 0) {
        struct stat st;
        if (::fstat(dir, &st) == 0) {
            // Group writers share it only when it carries the directory's group.
            mode_t mode = S_IWUSR | (st.st_mode & S_IWOTH);
            if ((st.st_mode & S_IWGRP) && ::fchown(fd, uid_t(-1), st.st_gid) == 0)
                mode |= S_IWGRP;
            (void)!::fchmod(fd, mode);
        }
        return fd;
    }
    if (errno == EEXIST)
        fd = ::openat(dir, LockFileName, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return fd;
    *denied = fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
    *reason = QString::fromLatin1(LockFileName) +
              (fd < 0 && errno != ELOOP && errno != ENXIO && errno != EISDIR
                   ? QStringLiteral(": %1").arg(errorText(errno))
                   : QStringLiteral(" is not a regular file"));
    closeDescriptor(fd);
    return -1;
}

// Who holds a lock on the file open as @p fd: the system's list of locks
// names the process, which names its program.
QString lockHolder(int fd)
{
#ifdef Q_OS_LINUX
    struct stat st;
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return {};
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiter's line has "->" after the number.
    const QByteArray inode = ':' + QByteArray::number(quint64(st.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] == "->" || !fields[5].endsWith(inode))
            continue;
        const QByteArray pid = fields[4];
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
        const QString program = comm.open(QIODevice::ReadOnly)
                                    ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                    : QStringLiteral("a program");
        return QStringLiteral("%1 (process %2)").arg(program, QString::fromLatin1(pid));
    }
#else
    Q_UNUSED(fd);
#endif
    return {};
}

} // namespace

int openDirectory(const QString &path, QString *reason)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        *reason = errorText(errno);
    return fd;
}

void closeDescriptor(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

Staging stage(const DirectoryHandle &directory, const QString &name, const QString &mark, StagedFile *file,
              QString *reason)
{
    const int dir = directory.descriptor();
    const QByteArray target = encoded(name);
    struct stat st;
    const bool exists = ::fstatat(dir, target.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        *reason = QStringLiteral("is a symbolic link, and a link is never written through");
        return Staging::Failed;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        *reason = QStringLiteral("is not a regular file");
        return Staging::Failed;
    }
    if (exists)
        file->original = ::openat(dir, target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);

    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file->stagingName = QLatin1Char('.') + name + mark + randomSuffix();
        file->descriptor = ::openat(dir, encoded(file->stagingName).constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file->descriptor >= 0) {
            file->device = std::make_unique<DescriptorDevice>(file->descriptor);
            return Staging::Staged;
        }
        error = errno;
        if (error != EEXIST)
            break;
    }
    file->stagingName.clear();
    *reason = QStringLiteral("cannot be written: %1").arg(errorText(error));
    // A directory that takes no new file may still let its files be written.
    if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
        const int fd = ::openat(dir, target.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return Staging::InPlace;
        }
    }
    return Staging::Failed;
}

bool finishStaged(const DirectoryHandle &, const QString &, StagedFile *file, QString *reason, Flush flush)
{
    if (file->original >= 0) {
        copyOwnership(file->original, file->descriptor);
        ::close(file->original);
        file->original = -1;
    }
    bool synced = true;
#ifdef Q_OS_LINUX
    if (flush == Flush::Now)
#else
    Q_UNUSED(flush);
#endif
        synced = ::fsync(file->descriptor) == 0;
    if (!synced)
        *reason = errorText(errno);
    file->device.reset();
    ::close(file->descriptor);
    file->descriptor = -1;
    return synced;
}

bool replaceWithStaged(const DirectoryHandle &directory, const QString &name, StagedFile *file, QString *reason,
                       Flush flush)
{
    if (!renameWithin(directory, file->stagingName, name, reason))
        return false;
    file->stagingName.clear();
    if (flush == Flush::Now)
        syncDirectory(directory);
    return true;
}

bool syncFileSystem(const DirectoryHandle &directory, QString *reason)
{
#ifdef Q_OS_LINUX
    // One flush of the file system instead of one per file: each file's own
    // sync would commit the file system's journal once more.
    if (::syncfs(directory.descriptor()) != 0) {
        *reason = errorText(errno);
        return false;
    }
#else
    Q_UNUSED(directory);
    Q_UNUSED(reason);
#endif
    return true;
}

bool renameWithin(const DirectoryHandle &directory, const QString &from, const QString &to, QString *reason)
{
    const int dir = directory.descriptor();
    if (::renameat(dir, encoded(from).constData(), dir, encoded(to).constData()) != 0) {
        *reason = errorText(errno);
        return false;
    }
    return true;
}

void syncDirectory(const DirectoryHandle &directory)
{
    // A new name lasts through a power loss only once the directory is on disk.
    ::fsync(directory.descriptor());
}

bool readSmallFile(const DirectoryHandle &directory, const QString &name, qint64 maxSize, QByteArray *content)
{
    const int fd = ::openat(directory.descriptor(), encoded(name).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxSize;
    if (ok) {
        content->resize(qsizetype(st.st_size));
        qsizetype done = 0;
        while (ok && done < content->size()) {
            const ssize_t n = ::read(fd, content->data() + done, size_t(content->size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            done += n;
        }
    }
    ::close(fd);
    return ok;
}

void removeFile(const DirectoryHandle &directory, const QString &name)
{
    ::unlinkat(directory.descriptor(), encoded(name).constData(), 0);
}

void discardStaged(const DirectoryHandle &directory, StagedFile *file)
{
    file->device.reset();
    closeDescriptor(file->descriptor);
    closeDescriptor(file->original);
    file->descriptor = file->original = -1;
    if (!file->stagingName.isEmpty())
        ::unlinkat(directory.descriptor(), encoded(file->stagingName).constData(), 0);
    file->stagingName.clear();
}

bool writeInPlace(const DirectoryHandle &directory, const QString &name, const QByteArray &content, QString *reason)
{
    const int fd = ::openat(directory.descriptor(), encoded(name).constData(),
                            O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = errorText(errno);
        return false;
    }
    // The name may have been given to a pipe or a device since it was checked.
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *reason = QStringLiteral("is no longer a regular file");
        return false;
    }
    bool ok = writeAll(fd, content.constData(), content.size(), 0, reason);
    if (ok && ::ftruncate(fd, off_t(content.size())) != 0) {
        *reason = errorText(errno);
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        *reason = errorText(errno);
        ok = false;
    }
    ::close(fd);
    return ok;
}

DirectoryLock::DirectoryLock() = default;

DirectoryLock::~DirectoryLock()
{
    // Removed while still held, so that no one takes a lock on a file about
    // to lose its name; a waiter on it sees that and opens the next one.
    if (m_lockFile >= 0)
        ::unlinkat(m_fd, LockFileName, 0);
    closeDescriptor(m_lockFile); // closing releases the lock
    closeDescriptor(m_fd);
}

bool DirectoryLock::open(const QString &path, QString *reason)
{
    m_fd = openDirectory(path, reason);
    if (m_fd < 0)
        return false;
    struct stat st;
    if (::fstat(m_fd, &st) != 0) {
        *reason = errorText(errno);
        return false;
    }
    m_identity = QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
    return true;
}

bool DirectoryLock::lock(int waitMs, QString *reason)
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        switch (tryLock(reason)) {
        case Attempt::Held:
            return true;
        case Attempt::Failed:
            return false;
        case Attempt::Busy:
            break;
        }
        if (deadline.hasExpired()) {
            reason->clear();
            return false;
        }
        QThread::msleep(20);
    }
}

DirectoryLock::Attempt DirectoryLock::tryLock(QString *reason)
{
    for (;;) {
        bool onDirectory = false;
        const int fd = openLockFile(m_fd, &onDirectory, reason);
        if (fd < 0 && !onDirectory)
            return Attempt::Failed;
        const int locked = onDirectory ? m_fd : fd;
        if (::flock(locked, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            m_holder = error == EWOULDBLOCK ? lockHolder(locked) : QString();
            closeDescriptor(fd);
            if (error == EWOULDBLOCK || error == EINTR)
                return Attempt::Busy;
            *reason = errorText(error);
            return Attempt::Failed;
        }
        if (onDirectory)
            return Attempt::Held;
        // The holder before us removes the file as it lets go: a lock on a
        // file that lost its name guards nothing, and the name is opened again.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::fstatat(m_fd, LockFileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_lockFile = fd;
            return Attempt::Held;
        }
        ::close(fd);
    }
}

QByteArray fileIdentity(const QString &path)
{
    struct stat st;
    if (::stat(encoded(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':' +
           QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

#else // Systems without descriptors of directories: QSaveFile's replace.

int openDirectory(const QString &, QString *)
{
    return -1;
}

void closeDescriptor(int) {}

Staging stage(const DirectoryHandle &directory, const QString &name, const QString &, StagedFile *file,
              QString *reason)
{
    const QString path = directory.path() + QLatin1Char('/') + name;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        *reason = QStringLiteral("is a symbolic link, and a link is never written through");
        return Staging::Failed;
    }
    auto saveFile = std::make_unique<QSaveFile>(path);
    if (!saveFile->open(QIODevice::WriteOnly)) {
        *reason = QStringLiteral("cannot be written: %1").arg(saveFile->errorString());
        return Staging::Failed;
    }
    file->device = std::move(saveFile);
    return Staging::Staged;
}

bool finishStaged(const DirectoryHandle &, const QString &, StagedFile *, QString *, Flush)
{
    return true;
}

bool replaceWithStaged(const DirectoryHandle &, const QString &, StagedFile *file, QString *reason, Flush)
{
    auto *saveFile = static_cast<QSaveFile *>(file->device.get());
    if (!saveFile->commit()) {
        *reason = saveFile->errorString();
        return false;
    }
    return true;
}

bool syncFileSystem(const DirectoryHandle &, QString *)
{
    return true; // QSaveFile syncs each file as it commits it
}

bool renameWithin(const DirectoryHandle &directory, const QString &from, const QString &to, QString *reason)
{
    const QDir dir(directory.path());
    QFile::remove(dir.filePath(to));
    if (!QFile::rename(dir.filePath(from), dir.filePath(to))) {
        *reason = QStringLiteral("cannot be renamed");
        return false;
    }
    return true;
}

void syncDirectory(const DirectoryHandle &) {}

bool readSmallFile(const DirectoryHandle &directory, const QString &name, qint64 maxSize, QByteArray *content)
{
    QFile file(directory.path() + QLatin1Char('/') + name);
    if (QFileInfo(file).isSymLink() || !file.open(QIODevice::ReadOnly) || file.size() > maxSize)
        return false;
    *content = file.readAll();
    return true;
}

void removeFile(const DirectoryHandle &directory, const QString &name)
{
    QFile::remove(directory.path() + QLatin1Char('/') + name);
}

void discardStaged(const DirectoryHandle &, StagedFile *file)
{
    if (file->device)
        static_cast<QSaveFile *>(file->device.get())->cancelWriting();
    file->device.reset();
}

bool writeInPlace(const DirectoryHandle &directory, const QString &name, const QByteArray &content, QString *reason)
{
    QFile file(directory.path() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadWrite) || file.write(content) != content.size() || !file.resize(content.size())) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

DirectoryLock::DirectoryLock() = default;
DirectoryLock::~DirectoryLock() = default;

bool DirectoryLock::open(const QString &path, QString *reason)
{
    m_path = path;
    m_identity = QFileInfo(path).canonicalFilePath().toUtf8();
    if (m_identity.isEmpty())
        *reason = QStringLiteral("the directory does not exist");
    return !m_identity.isEmpty();
}

bool DirectoryLock::lock(int waitMs, QString *reason)
{
    m_portableLock = std::make_unique<QLockFile>(m_path + QStringLiteral("/.tolvane.lock"));
    if (m_portableLock->tryLock(waitMs))
        return true;
    reason->clear();
    qint64 pid = 0;
    QString host, program;
    if (m_portableLock->getLockInfo(&pid, &host, &program))
        m_holder = QStringLiteral("%1 (process %2)").arg(program).arg(pid);
    if (m_portableLock->error() != QLockFile::LockFailedError)
        *reason = QStringLiteral("the lock file cannot be written");
    return false;
}

QByteArray fileIdentity(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return info.canonicalFilePath().toUtf8() + ':' + QByteArray::number(info.size()) + ':' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}

#endif

#ifdef Q_OS_UNIX

std::unique_ptr<QIODevice> openRegularFile(const QString &path, QString *reason)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = QStringLiteral("cannot be opened: %1").arg(errorText(errno));
        return nullptr;
    }
    struct stat st;
    const int statError = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (statError != 0 || !S_ISREG(st.st_mode)) {
        *reason = statError != 0 ? QStringLiteral("cannot be read: %1").arg(errorText(statError))
                                 : QStringLiteral("is not a regular file");
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *reason = QStringLiteral("cannot be opened: %1").arg(file->errorString());
        ::close(fd);
        return nullptr;
    }
    return file;
}

#else

std::unique_ptr<QIODevice> openRegularFile(const QString &path, QString *reason)
{
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        *reason = QStringLiteral("is not a regular file");
        return nullptr;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("cannot be opened: %1").arg(file->errorString());
        return nullptr;
    }
    return file;
}

#endif

} // namespace tolvane::system_files
