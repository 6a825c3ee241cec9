// The Windows side of the file layer. Windows has no descriptors of
// directories, so everything goes by path, but each name is checked on the
// handle it was opened with: a reparse point (a symbolic link, a junction) is
// never followed for a write, and nothing that is not a file on disk is read.
//
// A file is replaced by MoveFileExW with MOVEFILE_REPLACE_EXISTING: on NTFS one
// rename, so a crash leaves the old file or the new one. (ReplaceFileW is a
// series of renames that can leave the old file under another name.) The
// staging file is given the old file's owner, group, access list and
// attributes before its first byte, so the rename keeps them.

#include "systemfiles.h"
#include "safewrite.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <io.h>
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace tolvane::system_files {

namespace {

// \\?\ lets a path run past 260 characters; it takes only absolute paths with
// backslashes.
std::wstring nativePath(const QString &path)
{
    QString native = QDir::toNativeSeparators(QDir::cleanPath(QDir(path).absolutePath()));
    if (native.startsWith(QLatin1String("\\\\")))
        native = QStringLiteral("\\\\?\\UNC\\") + native.mid(2);
    else
        native = QStringLiteral("\\\\?\\") + native;
    return native.toStdWString();
}

QString joined(const DirectoryHandle &directory, const QString &name)
{
    return directory.path() + QLatin1Char('/') + name;
}

struct Handle
{
    HANDLE h = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() { reset(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    void reset(HANDLE to = INVALID_HANDLE_VALUE)
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        h = to;
    }
    HANDLE release() { return std::exchange(h, INVALID_HANDLE_VALUE); }
    bool valid() const { return h != INVALID_HANDLE_VALUE; }
};

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the name itself, never what a reparse point leads to.
HANDLE openNoFollow(const QString &path, DWORD access, DWORD share = ShareAll)
{
    return CreateFileW(nativePath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

QString windowsErrorText(DWORD error)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return QStringLiteral("it is open in another program (the game or a bitmap editor?): close it there, "
                              "then try again");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("No space left on device");
    default:
        break;
    }
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    return message;
}

// What kind of thing a name is, read on the handle opened for it.
enum class Kind { Missing, File, Link, Other, Unreadable };

Kind kindOf(HANDLE h, BY_HANDLE_FILE_INFORMATION *info)
{
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, info))
        return Kind::Other;
    if (info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Kind::Link;
    if (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Kind::Other;
    return Kind::File;
}

class HandleDevice : public QIODevice
{
public:
    explicit HandleDevice(HANDLE h) : m_h(h) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            DWORD written = 0;
            const DWORD chunk = DWORD(std::min<qint64>(size - done, 1 << 30));
            if (!WriteFile(m_h, data + done, chunk, &written, nullptr) || written == 0) {
                setErrorString(windowsErrorText(GetLastError()));
                return -1;
            }
            done += written;
        }
        return done;
    }

private:
    HANDLE m_h;
};

// The old file's owner, group and access list onto the staging file; false
// when the process may not set them (another user's file).
bool copySecurity(HANDLE from, HANDLE to)
{
    PSID owner = nullptr, group = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                      DACL_SECURITY_INFORMATION;
    if (GetSecurityInfo(from, SE_FILE_OBJECT, what, &owner, &group, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION protection = (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                          : UNPROTECTED_DACL_SECURITY_INFORMATION;
    const bool set = SetSecurityInfo(to, SE_FILE_OBJECT, what | protection, owner, group, dacl, nullptr) ==
                     ERROR_SUCCESS;
    LocalFree(descriptor);
    return set;
}

QByteArray identityOf(const BY_HANDLE_FILE_INFORMATION &info)
{
    return QByteArray::number(quint64(info.dwVolumeSerialNumber)) + ':' +
           QByteArray::number((quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

HANDLE stagedHandle(const StagedFile &file)
{
    return file.handle ? HANDLE(file.handle) : INVALID_HANDLE_VALUE;
}

// Opens the file @p name for writing if it still is the file @p identity
// names and has no other name.
HANDLE openSameFile(const DirectoryHandle &directory, const QString &name, const QByteArray &identity,
                    QString *reason)
{
    Handle h(CreateFileW(nativePath(joined(directory, name)).c_str(), GENERIC_READ | GENERIC_WRITE, ShareAll,
                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.valid()) {
        *reason = QStringLiteral("cannot be written: %1").arg(windowsErrorText(GetLastError()));
        return INVALID_HANDLE_VALUE;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (kindOf(h.h, &info) != Kind::File || identityOf(info) != identity) {
        *reason = QStringLiteral("was replaced by another file during the write");
        return INVALID_HANDLE_VALUE;
    }
    if (info.nNumberOfLinks > 1) {
        *reason = QStringLiteral("has other names (hard links); writing it in place would change them too");
        return INVALID_HANDLE_VALUE;
    }
    return h.release();
}

bool writeAt(HANDLE h, const char *data, qint64 size, qint64 offset, QString *reason)
{
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = DWORD(offset);
        at.OffsetHigh = DWORD(quint64(offset) >> 32);
        DWORD written = 0;
        if (!WriteFile(h, data, DWORD(std::min<qint64>(size, 1 << 30)), &written, &at) || written == 0) {
            *reason = windowsErrorText(GetLastError());
            return false;
        }
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

const wchar_t LockFileName[] = L".tolvane.lock";
// The lock is taken on a byte far past the end, so that the holder's name at
// the start stays readable to those who wait.
constexpr quint64 LockedByte = quint64(1) << 40;

} // namespace


int openDirectory(const QString &path, QString *reason)
{
    // Windows has no descriptors of directories: every call goes by path,
    // checked on the handle it opens. Only the directory's existence is known.
    const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        *reason = windowsErrorText(GetLastError());
    else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        *reason = QStringLiteral("is not a directory");
    else
        reason->clear();
    return -1;
}

void closeDescriptor(int) {}

bool openRegularFile(const QString &path, QFile &file, QString *reason)
{
    // Shared for deleting, so that a replace of this file, by us or by another
    // program, is not refused while it is read.
    Handle h(CreateFileW(nativePath(path).c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        // A directory is refused with "access denied".
        const QString error = QStringLiteral("cannot be opened: %1").arg(windowsErrorText(GetLastError()));
        *reason = notRegularFileReason(path, error);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (kindOf(h.h, &info) != Kind::File) {
        *reason = notRegularFileReason(path, QStringLiteral("is not a regular file"));
        return false;
    }
    const int fd = _open_osfhandle(intptr_t(h.h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        *reason = QStringLiteral("cannot be opened: %1").arg(errorText(errno));
        return false;
    }
    h.release();
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        *reason = QStringLiteral("cannot be opened: %1").arg(file.errorString());
        return false;
    }
    return true;
}

bool fitsFileName(const DirectoryHandle &, const QString &name)
{
    return name.size() <= 255; // NTFS and FAT32 count UTF-16 units
}

Staging stage(const DirectoryHandle &directory, const QString &name, const QString &stagingPrefix, StagedFile *file,
              QString *reason)
{
    const QString target = joined(directory, name);
    Handle original(openNoFollow(target, READ_CONTROL | FILE_READ_ATTRIBUTES));
    const DWORD openError = original.valid() ? DWORD(ERROR_SUCCESS) : GetLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!original.valid() && openError != ERROR_FILE_NOT_FOUND) {
        *reason = QStringLiteral("cannot be opened: %1").arg(windowsErrorText(openError));
        return Staging::Failed;
    }
    if (original.valid()) {
        switch (kindOf(original.h, &info)) {
        case Kind::Link:
            *reason = QStringLiteral("is a symbolic link or a junction, and a link is never written through");
            return Staging::Failed;
        case Kind::File:
            break;
        default:
            *reason = QStringLiteral("is not a regular file");
            return Staging::Failed;
        }
        if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            *reason = QStringLiteral("is read-only; it was not written");
            return Staging::Failed;
        }
        // A file the game or a bitmap editor holds open cannot be replaced:
        // say so now, before anything is written.
        Handle probe(openNoFollow(target, DELETE));
        if (!probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION) {
            *reason = QStringLiteral("cannot be written: %1").arg(windowsErrorText(ERROR_SHARING_VIOLATION));
            return Staging::Failed;
        }
    }

    // Private from its creation: only its creator may open it until it is
    // given the old file's owner and access list. A new file gets what the
    // directory gives every new file.
    PSECURITY_DESCRIPTOR privateDescriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &privateDescriptor,
                                                         nullptr);
    SECURITY_ATTRIBUTES privateAttributes{sizeof(SECURITY_ATTRIBUTES), privateDescriptor, FALSE};
    DWORD createError = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file->stagingName = stagingPrefix + randomFileNameSuffix();
        // Unshared: while it is open no one else opens it, and no sweep removes it.
        const HANDLE h = CreateFileW(nativePath(joined(directory, file->stagingName)).c_str(),
                                     GENERIC_WRITE | READ_CONTROL | WRITE_DAC | WRITE_OWNER | DELETE, 0,
                                     original.valid() && privateDescriptor ? &privateAttributes : nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file->handle = h;
            break;
        }
        createError = GetLastError();
        if (createError != ERROR_FILE_EXISTS && createError != ERROR_ALREADY_EXISTS)
            break;
    }
    LocalFree(privateDescriptor);

    QString onlyInPlace;
    if (file->handle) {
        if (!original.valid() || copySecurity(original.h, HANDLE(file->handle))) {
            file->device = std::make_unique<HandleDevice>(HANDLE(file->handle));
            return Staging::Staged;
        }
        discardStaged(directory, file);
        onlyInPlace = QStringLiteral("a new file in its place would not keep its owner and permissions");
    } else {
        file->stagingName.clear();
        if (!original.valid() || createError != ERROR_ACCESS_DENIED) {
            *reason = QStringLiteral("cannot be written: %1").arg(windowsErrorText(createError));
            return Staging::Failed;
        }
        onlyInPlace = QStringLiteral("its directory takes no new file");
    }
    if (info.nNumberOfLinks > 1) {
        *reason = QStringLiteral("can only be written in place, as %1, but it has other names (hard links); writing "
                                 "it in place would change them too").arg(onlyInPlace);
        return Staging::Failed;
    }
    Handle writable(openSameFile(directory, name, identityOf(info), reason));
    if (!writable.valid())
        return Staging::Failed;
    file->inPlaceIdentity = identityOf(info);
    *reason = onlyInPlace;
    return Staging::InPlace;
}

bool syncStaged(StagedFile *file, bool close, Flush, QString *reason)
{
    // Windows has no flush of a whole file system for a user: each staging
    // file is flushed as it is finished, whatever the caller does after.
    const HANDLE h = stagedHandle(*file);
    const bool synced = FlushFileBuffers(h);
    if (!synced)
        *reason = windowsErrorText(GetLastError());
    if (close) {
        file->device.reset();
        CloseHandle(h);
        file->handle = nullptr;
    }
    return synced;
}

bool renameWithin(const DirectoryHandle &directory, const QString &from, const QString &to, QString *reason)
{
    // One rename on NTFS: a crash leaves the old file or the new one. A link
    // in place of the name is itself replaced, never followed.
    if (!MoveFileExW(nativePath(joined(directory, from)).c_str(), nativePath(joined(directory, to)).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *reason = windowsErrorText(GetLastError());
        return false;
    }
    return true;
}

bool replaceWithStaged(const DirectoryHandle &directory, const QString &name, StagedFile *file, QString *reason,
                       Flush)
{
    // The staging file is closed first: Windows renames no file open
    // without sharing.
    file->device.reset();
    if (file->handle)
        CloseHandle(HANDLE(file->handle));
    file->handle = nullptr;
    if (!renameWithin(directory, file->stagingName, name, reason))
        return false;
    file->stagingName.clear();
    return true;
}

bool syncFileSystem(const DirectoryHandle &, QString *)
{
    return true; // each staging file was flushed as it was finished
}

void syncDirectory(const DirectoryHandle &)
{
    // MOVEFILE_WRITE_THROUGH returned only once the rename was on the disk.
}

bool readSmallFile(const DirectoryHandle &directory, const QString &name, qint64 maxSize, QByteArray *content)
{
    Handle h(openNoFollow(joined(directory, name), GENERIC_READ));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || kindOf(h.h, &info) != Kind::File)
        return false;
    const qint64 size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxSize)
        return false;
    content->resize(qsizetype(size));
    DWORD got = 0;
    return ReadFile(h.h, content->data(), DWORD(size), &got, nullptr) && qint64(got) == size;
}

void removeFile(const DirectoryHandle &directory, const QString &name)
{
    DeleteFileW(nativePath(joined(directory, name)).c_str());
}

void discardStaged(const DirectoryHandle &directory, StagedFile *file)
{
    file->device.reset();
    if (file->handle)
        CloseHandle(HANDLE(file->handle));
    file->handle = nullptr;
    if (!file->stagingName.isEmpty())
        removeFile(directory, file->stagingName);
    file->stagingName.clear();
}

bool reserveInPlace(const DirectoryHandle &directory, const QString &name, const StagedFile &file, qint64 size,
                    QString *reason)
{
    Handle h(openSameFile(directory, name, file.inPlaceIdentity, reason));
    if (!h.valid())
        return false;
    LARGE_INTEGER length;
    if (!GetFileSizeEx(h.h, &length))
        length.QuadPart = 0;
    if (size <= length.QuadPart)
        return true;
    // The allocation grows without moving the end of the file, so its content
    // and length stay as they are.
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = size;
    if (SetFileInformationByHandle(h.h, FileAllocationInfo, &allocation, sizeof allocation))
        return true;
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExW(nativePath(directory.path()).c_str(), &free, nullptr, nullptr) &&
        free.QuadPart >= quint64(size - length.QuadPart))
        return true;
    *reason = windowsErrorText(ERROR_DISK_FULL);
    return false;
}

bool writeInPlace(const DirectoryHandle &directory, const QString &name, const StagedFile &file,
                  const QByteArray &content, QString *reason)
{
    Handle h(openSameFile(directory, name, file.inPlaceIdentity, reason));
    if (!h.valid())
        return false;
    // Only the runs of bytes that differ are written.
    constexpr qint64 Chunk = 1 << 20;
    QByteArray old(int(std::min<qint64>(content.size(), Chunk)), Qt::Uninitialized);
    qint64 at = 0;
    while (at < content.size()) {
        const qint64 wanted = std::min<qint64>(old.size(), content.size() - at);
        OVERLAPPED from{};
        from.Offset = DWORD(at);
        from.OffsetHigh = DWORD(quint64(at) >> 32);
        DWORD got = 0;
        if (!ReadFile(h.h, old.data(), DWORD(wanted), &got, &from) || got == 0)
            break;
        const char *now = content.constData() + at;
        qint64 i = 0;
        while (i < qint64(got)) {
            if (old[i] == now[i]) {
                ++i;
                continue;
            }
            qint64 end = i;
            while (end < qint64(got) && old[end] != now[end])
                ++end;
            if (!writeAt(h.h, now + i, end - i, at + i, reason))
                return false;
            i = end;
        }
        at += got;
    }
    if (at < content.size() && !writeAt(h.h, content.constData() + at, content.size() - at, at, reason))
        return false;
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = content.size();
    if (!SetFileInformationByHandle(h.h, FileEndOfFileInfo, &end, sizeof end) || !FlushFileBuffers(h.h)) {
        *reason = windowsErrorText(GetLastError());
        return false;
    }
    return true;
}

bool removeUnlessLocked(const DirectoryHandle &directory, const QString &name)
{
    // A living write holds its staging file open without sharing, so it
    // cannot be opened for deleting; a link is never followed.
    Handle h(openNoFollow(joined(directory, name), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || kindOf(h.h, &info) != Kind::File)
        return false;
    // A write killed before the file got the old one's access list leaves
    // the private one, which some systems (wine) show as read-only; no
    // read-only file can be deleted.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        // Zero times leave them as they are; "normal" is valid only alone.
        FILE_BASIC_INFO basic{};
        const DWORD kept = info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
        basic.FileAttributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(h.h, FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(h.h, FileDispositionInfo, &disposition, sizeof disposition);
}

DirectoryLock::DirectoryLock() = default;

DirectoryLock::~DirectoryLock()
{
    // Made to vanish with its last handle: closing releases the lock and
    // removes the file, also when the holder dies.
    if (m_lockFile)
        CloseHandle(HANDLE(m_lockFile));
}

bool DirectoryLock::open(const QString &path, QString *reason)
{
    m_path = path;
    Handle h(openNoFollow(path, FILE_READ_ATTRIBUTES));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !GetFileInformationByHandle(h.h, &info)) {
        *reason = windowsErrorText(GetLastError());
        return false;
    }
    m_identity = identityOf(info);
    return true;
}

DirectoryLock::Attempt DirectoryLock::tryLock(QString *reason)
{
    const QString lockPath = m_path + QLatin1Char('/') + QString::fromWCharArray(LockFileName);
    // Only those who may write the dashboard open it for writing.
    Handle h(CreateFileW(nativePath(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, ShareAll, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr));
    if (!h.valid()) {
        const DWORD error = GetLastError();
        // A lock file its last holder let go of is on its way out meanwhile.
        if (error == ERROR_ACCESS_DENIED && GetFileAttributesW(nativePath(lockPath).c_str()) != INVALID_FILE_ATTRIBUTES)
            return Attempt::Busy;
        *reason = QString::fromWCharArray(LockFileName) + QStringLiteral(": ") + windowsErrorText(error);
        return Attempt::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (kindOf(h.h, &info) != Kind::File) {
        *reason = QString::fromWCharArray(LockFileName) + QStringLiteral(" is not a regular file");
        return Attempt::Failed;
    }
    OVERLAPPED at{};
    at.Offset = DWORD(LockedByte);
    at.OffsetHigh = DWORD(LockedByte >> 32);
    if (!LockFileEx(h.h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        QByteArray holder(256, '\0');
        DWORD got = 0;
        OVERLAPPED start{};
        m_holder = ReadFile(h.h, holder.data(), DWORD(holder.size()), &got, &start)
                       ? QString::fromUtf8(holder.left(qsizetype(got))).trimmed()
                       : QString();
        return Attempt::Busy;
    }
    const QByteArray me = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUtf8() +
                          " (process " + QByteArray::number(quint64(GetCurrentProcessId())) + ")";
    QString ignored;
    writeAt(h.h, me.constData(), me.size(), 0, &ignored);
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = me.size();
    SetFileInformationByHandle(h.h, FileEndOfFileInfo, &end, sizeof end);
    m_lockFile = h.release();
    return Attempt::Held;
}

QByteArray fileKey(const QString &path)
{
    Handle h(CreateFileW(nativePath(path).c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !GetFileInformationByHandle(h.h, &info))
        return {};
    return identityOf(info);
}

QByteArray fileIdentity(const QString &path)
{
    Handle h(openNoFollow(path, FILE_READ_ATTRIBUTES));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !GetFileInformationByHandle(h.h, &info))
        return {};
    return identityOf(info) + ':' +
           QByteArray::number((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow) + ':' +
           QByteArray::number((quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
}

} // namespace tolvane::system_files
