#include "systemfiles.h"
#include "safewrite.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>
#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif

// The file layer on POSIX systems: everything relative to a descriptor of the
// dashboard directory, nothing followed that is a link.

namespace tolvane::system_files {

namespace {

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

// Whether the open @p fd is a regular file, its status in @p st. Checked on
// what was opened, so a pipe or a device put in place of a checked name is
// still refused.
bool isRegularFile(int fd, struct stat *st)
{
    return ::fstat(fd, st) == 0 && S_ISREG(st->st_mode);
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

// Opens @p name in @p dir without following a link or waiting on a pipe: for
// reading, or for writing where only that is permitted.
int openUnfollowed(int dir, const QByteArray &name)
{
    constexpr int Flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = ::openat(dir, name.constData(), O_RDONLY | Flags);
    return fd >= 0 || errno != EACCES ? fd : ::openat(dir, name.constData(), O_WRONLY | Flags);
}

QByteArray identityOf(const struct stat &st)
{
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
}

bool inGroup(gid_t group)
{
    if (group == ::getegid())
        return true;
    std::vector<gid_t> groups(size_t(std::max(::getgroups(0, nullptr), 0)));
    groups.resize(size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// The permission bits of the class the process falls in. The superuser, who
// may write anything, counts as the owner, so that a file marked read-only is
// not written over by an administrator's run either.
bool permitsWriting(const struct stat &st)
{
    const uid_t user = ::geteuid();
    if (user == 0 || user == st.st_uid)
        return st.st_mode & S_IWUSR;
    return st.st_mode & (inGroup(st.st_gid) ? S_IWGRP : S_IWOTH);
}

// Gives @p to the owner, group, mode and extended attributes of @p from as
// far as the process may, and names what it could not give. The owner and
// group first: changing them clears the set-id bits, which the mode puts back.
QStringList copyOwnership(int from, int to)
{
    struct stat st;
    if (::fstat(from, &st) != 0)
        return {QStringLiteral("owner, group and permissions")};
    if (::fchown(to, st.st_uid, st.st_gid) != 0)
        (void)!::fchown(to, uid_t(-1), st.st_gid);
    (void)!::fchmod(to, st.st_mode & 07777);
    bool attributesKept = true;
#ifdef Q_OS_LINUX
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    QByteArray names(std::max<ssize_t>(listSize, 0), '\0');
    const ssize_t got = listSize > 0 ? ::flistxattr(from, names.data(), size_t(names.size())) : listSize;
    attributesKept = got >= 0 || errno == ENOTSUP;
    for (qsizetype at = 0; attributesKept && got > 0 && at < got;) {
        const char *name = names.constData() + at;
        at += qsizetype(std::strlen(name)) + 1;
        const ssize_t valueSize = ::fgetxattr(from, name, nullptr, 0);
        QByteArray value(std::max<ssize_t>(valueSize, 0), '\0');
        const ssize_t valueGot = valueSize < 0 ? -1 : ::fgetxattr(from, name, value.data(), size_t(value.size()));
        if (valueGot >= 0 && ::fsetxattr(to, name, value.constData(), size_t(valueGot), 0) == 0)
            continue;
        // An attribute the system gives every new file (a security label) is
        // kept when it already holds the same value.
        QByteArray given(std::max<ssize_t>(valueGot, 0) + 1, '\0');
        attributesKept = valueGot >= 0 && ::fgetxattr(to, name, given.data(), size_t(given.size())) == valueGot &&
                         given.left(valueGot) == value.left(valueGot);
    }
#endif
    struct stat now;
    if (::fstat(to, &now) != 0)
        return {QStringLiteral("owner, group and permissions")};
    QStringList lost;
    if (now.st_uid != st.st_uid)
        lost.append(QStringLiteral("owner"));
    if (now.st_gid != st.st_gid)
        lost.append(QStringLiteral("group"));
    if ((now.st_mode & 07777) != (st.st_mode & 07777))
        lost.append(QStringLiteral("permissions"));
    if (!attributesKept)
        lost.append(QStringLiteral("extended attributes"));
    return lost;
}

// Creates and locks a staging file of a name not yet taken. The name is
// checked to still be this file once it is locked: a sweep that took the
// lock first may have removed it. Where the file system has no locks the
// file stays unlocked, and no sweep can remove it either.
int createStaging(int dir, const QString &prefix, mode_t mode, QString *stagingName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *stagingName = prefix + randomFileNameSuffix();
        const QByteArray name = encoded(*stagingName);
        const int fd = ::openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        struct stat opened, named;
        if ((::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) && ::fstat(fd, &opened) == 0 &&
            ::fstatat(dir, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            identityOf(opened) == identityOf(named))
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Opens the file @p name for writing if it still is the file @p identity
// names and has no other name; also for reading when it may be read.
int openSameFile(int dir, const QString &name, const QByteArray &identity, bool *readable, QString *reason)
{
    const QByteArray target = encoded(name);
    int fd = ::openat(dir, target.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    *readable = fd >= 0;
    if (fd < 0 && errno == EACCES)
        fd = ::openat(dir, target.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = QStringLiteral("cannot be written: %1").arg(errorText(errno));
        return -1;
    }
    struct stat st;
    if (!isRegularFile(fd, &st) || identityOf(st) != identity) {
        *reason = QStringLiteral("was replaced by another file during the write");
    } else if (st.st_nlink > 1) {
        *reason = QStringLiteral("has other names (hard links); writing it in place would change them too");
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

// Calls @p write(offset, size) for each run of bytes in which @p content
// differs from what @p fd holds, runs close together as one; beyond the
// file's end, or when @p fd cannot be read, everything is one run.
template<typename Write>
bool forEachChangedRun(int fd, bool readable, const QByteArray &content, Write write)
{
    constexpr qint64 Chunk = 1 << 20;
    constexpr qint64 JoinGap = 4096; // fewer, larger writes; the bytes between are the same anyway
    qint64 runStart = -1, runEnd = -1;
    auto changed = [&](qint64 from, qint64 to) {
        if (runStart >= 0 && from - runEnd > JoinGap) {
            if (!write(runStart, runEnd - runStart))
                return false;
            runStart = -1;
        }
        if (runStart < 0)
            runStart = from;
        runEnd = to;
        return true;
    };
    const qint64 size = content.size();
    QByteArray old(int(std::min(size, Chunk)), Qt::Uninitialized);
    qint64 compared = 0;
    while (readable && compared < size) {
        const qint64 wanted = std::min<qint64>(old.size(), size - compared);
        const ssize_t n = ::pread(fd, old.data(), size_t(wanted), off_t(compared));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const char *was = old.constData();
        const char *now = content.constData() + compared;
        for (qint64 i = std::memcmp(was, now, size_t(n)) == 0 ? n : 0; i < n; ++i) {
            if (was[i] != now[i] && !changed(compared + i, compared + i + 1))
                return false;
        }
        compared += n;
    }
    if (compared < size && !changed(compared, size))
        return false;
    return runStart < 0 || write(runStart, runEnd - runStart);
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
    if (fd >= 0 && isRegularFile(fd, &st))
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

bool openRegularFile(const QString &path, QFile &file, QString *reason)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = notRegularFileReason(path, QStringLiteral("cannot be opened: %1").arg(errorText(errno)));
        return false;
    }
    struct stat st;
    if (!isRegularFile(fd, &st)) {
        ::close(fd);
        *reason = notRegularFileReason(path, QStringLiteral("is not a regular file"));
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *reason = QStringLiteral("cannot be opened: %1").arg(file.errorString());
        return false;
    }
    return true;
}

bool fitsFileName(const DirectoryHandle &directory, const QString &name)
{
    const long longest = ::fpathconf(directory.descriptor(), _PC_NAME_MAX);
    return encoded(name).size() <= (longest > 0 ? longest : NAME_MAX);
}

Staging stage(const DirectoryHandle &directory, const QString &name, const QString &stagingPrefix, StagedFile *file,
              QString *reason)
{
    const int dir = directory.descriptor();
    const QByteArray target = encoded(name);
    // The file being replaced, checked as opened.
    const int original = openUnfollowed(dir, target);
    const int openError = errno;
    struct stat st;
    if (original < 0 && openError != ENOENT) {
        *reason = openError == ELOOP   ? QStringLiteral("is a symbolic link, and a link is never written through")
                  : openError == ENXIO ? QStringLiteral("is not a regular file")
                                       : QStringLiteral("cannot be opened: %1").arg(errorText(openError));
        return Staging::Failed;
    }
    if (original >= 0 && !isRegularFile(original, &st)) {
        ::close(original);
        *reason = QStringLiteral("is not a regular file");
        return Staging::Failed;
    }
    if (original >= 0 && !permitsWriting(st)) {
        ::close(original);
        *reason = QStringLiteral("is read-only; it was not written");
        return Staging::Failed;
    }

    // Private until it carries the old file's owner and mode: nobody else
    // may read or write the new content meanwhile.
    file->descriptor = createStaging(dir, stagingPrefix, original >= 0 ? 0600 : 0666, &file->stagingName);
    const int stagingError = errno;
    QString onlyInPlace;
    if (file->descriptor >= 0) {
        const QStringList lost = original >= 0 ? copyOwnership(original, file->descriptor) : QStringList();
        if (lost.isEmpty()) {
            closeDescriptor(original);
            file->device = std::make_unique<DescriptorDevice>(file->descriptor);
            return Staging::Staged;
        }
        discardStaged(directory, file);
        onlyInPlace = QStringLiteral("a new file in its place would not keep its %1")
                          .arg(lost.join(QStringLiteral(" and ")));
    } else {
        file->stagingName.clear();
        if (original < 0 || (stagingError != EACCES && stagingError != EPERM && stagingError != EROFS)) {
            closeDescriptor(original);
            *reason = QStringLiteral("cannot be written: %1").arg(errorText(stagingError));
            return Staging::Failed;
        }
        onlyInPlace = QStringLiteral("its directory takes no new file");
    }

    // Only in place: alone under its name, and writable.
    ::close(original);
    if (st.st_nlink > 1) {
        *reason = QStringLiteral("can only be written in place, as %1, but it has other names (hard links); writing "
                                 "it in place would change them too").arg(onlyInPlace);
        return Staging::Failed;
    }
    bool readable = false;
    const int fd = openSameFile(dir, name, identityOf(st), &readable, reason);
    if (fd < 0)
        return Staging::Failed;
    ::close(fd);
    file->inPlaceIdentity = identityOf(st);
    *reason = onlyInPlace;
    return Staging::InPlace;
}

bool syncStaged(StagedFile *file, bool close, Flush flush, QString *reason)
{
    bool synced = true;
#ifdef Q_OS_LINUX
    if (flush == Flush::Now)
#else
    Q_UNUSED(flush);
#endif
        synced = ::fsync(file->descriptor) == 0;
    if (!synced)
        *reason = errorText(errno);
    if (close) {
        file->device.reset();
        ::close(file->descriptor);
        file->descriptor = -1;
    }
    return synced;
}

bool replaceWithStaged(const DirectoryHandle &directory, const QString &name, StagedFile *file, QString *reason,
                       Flush flush)
{
    if (!renameWithin(directory, file->stagingName, name, reason))
        return false;
    file->stagingName.clear();
    file->device.reset();
    closeDescriptor(file->descriptor);
    file->descriptor = -1;
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
    bool ok = isRegularFile(fd, &st) && st.st_size <= maxSize;
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
    if (!file->stagingName.isEmpty())
        ::unlinkat(directory.descriptor(), encoded(file->stagingName).constData(), 0);
    closeDescriptor(file->descriptor);
    file->descriptor = -1;
    file->stagingName.clear();
}

bool reserveInPlace(const DirectoryHandle &directory, const QString &name, const StagedFile &file, qint64 size,
                    QString *reason)
{
    bool readable = false;
    const int fd = openSameFile(directory.descriptor(), name, file.inPlaceIdentity, &readable, reason);
    if (fd < 0)
        return false;
    bool reserved = false;
#ifdef Q_OS_LINUX
    // Allocated past the end without changing the length: the file reads as before.
    reserved = size == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0;
    if (!reserved && errno != EOPNOTSUPP && errno != ENOSYS) {
        *reason = errorText(errno);
        ::close(fd);
        return false;
    }
#endif
    struct stat st;
    struct statvfs space;
    if (!reserved && ::fstat(fd, &st) == 0 && ::fstatvfs(fd, &space) == 0) {
        const qint64 needed = size - qint64(st.st_blocks) * 512;
        reserved = needed <= qint64(space.f_bavail) * qint64(space.f_frsize);
        *reason = errorText(ENOSPC);
    }
    ::close(fd);
    return reserved;
}

bool writeInPlace(const DirectoryHandle &directory, const QString &name, const StagedFile &file,
                  const QByteArray &content, QString *reason)
{
    bool readable = false;
    const int fd = openSameFile(directory.descriptor(), name, file.inPlaceIdentity, &readable, reason);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        *reason = errorText(errno);
    ok = ok && forEachChangedRun(fd, readable, content, [&](qint64 at, qint64 size) {
        return writeAll(fd, content.constData() + at, size, at, reason);
    });
    if (ok && st.st_size > content.size() && ::ftruncate(fd, off_t(content.size())) != 0) {
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

bool removeUnlessLocked(const DirectoryHandle &directory, const QString &name)
{
    const int dir = directory.descriptor();
    const QByteArray target = encoded(name);
    const int fd = openUnfollowed(dir, target);
    if (fd < 0)
        return false;
    struct stat opened, named;
    const bool removed = isRegularFile(fd, &opened) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                         ::fstatat(dir, target.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                         identityOf(opened) == identityOf(named) && ::unlinkat(dir, target.constData(), 0) == 0;
    ::close(fd);
    return removed;
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

namespace {

// Device and file number: one file, whatever path reaches it.
QByteArray keyOf(const struct stat &st)
{
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
}

} // namespace

QByteArray fileKey(const QString &path)
{
    struct stat st;
    if (::stat(encoded(path).constData(), &st) != 0)
        return {};
    return keyOf(st);
}

QByteArray fileIdentity(const QString &path)
{
    struct stat st;
    if (::stat(encoded(path).constData(), &st) != 0)
        return {};
    return keyOf(st) + ':' + QByteArray::number(qint64(st.st_size)) + ':' +
           QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

} // namespace tolvane::system_files
