#pragma once

// The operating system's file calls that Qt does not offer: writing relative
// to an open directory without following links, keeping a file's owner and
// attributes across a replace, writing in place safely where a replace is
// impossible, and locking files and directories. Everything above this
// layer is portable. Each function has one implementation for POSIX systems
// (systemfiles_posix.cpp) and one for Windows (systemfiles_windows.cpp).

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

class QFile;

namespace tolvane {

class DirectoryHandle;

namespace system_files {

/// Opens @p path as a directory; -1 with @p reason set when it cannot be
/// opened, -1 with an empty @p reason where the system has no such handles.
int openDirectory(const QString &path, QString *reason);
void closeDescriptor(int fd);

/// Opens @p path for reading in @p file, following links but never waiting
/// on a pipe or a device: the type is checked on the opened file, so a pipe
/// put in place of a checked name is still refused. False with @p reason
/// (as notRegularFileReason() says, or the system's reason) when it is no
/// regular file or cannot be opened.
bool openRegularFile(const QString &path, QFile &file, QString *reason);
/// Why @p path cannot be read as a file: "the file does not exist", "is a
/// directory" or "is not a regular file" (a pipe, a device); @p otherwise
/// when it is a regular file after all.
QString notRegularFileReason(const QString &path, const QString &otherwise);

/// Whether @p name is short enough for a file name in @p directory.
bool fitsFileName(const DirectoryHandle &directory, const QString &name);

/// A write of one file: a staging file, or the file itself written in place.
struct StagedFile
{
    QString stagingName;
    int descriptor = -1;          // the staging file, locked while it is open
#ifdef Q_OS_WIN
    void *handle = nullptr;       // the staging file, open without sharing
#endif
    QByteArray inPlaceIdentity;   // in place: the file checked, which alone may be written
    std::unique_ptr<QIODevice> device;
};

enum class Staging { Staged, InPlace, Failed };

/// Prepares the write of @p name in @p directory; no byte of content is
/// written yet, and the file itself is not changed.
///
/// Staged: a staging file "@p stagingPrefix + six letters or digits" is
/// created, holds a lock for as long as it is open (removeUnlessLocked()
/// leaves it), and already has the owner, group, mode and extended attributes
/// of the file it replaces (a new file: mode 0666 less the umask), so that no
/// other user can read or write more of it than of the file.
///
/// InPlace, with @p reason saying why: the file exists and may be written,
/// but only in place, because the directory takes no new file or because a
/// new file could not keep all of its owner, group, mode and extended
/// attributes. @p file then identifies it for reserveInPlace() and
/// writeInPlace().
///
/// Failed, with @p reason: the name is a link or no regular file; the file is
/// read-only (its permission bits let this process not write it, where the
/// superuser counts as the owner: a file its owner marked read-only stays so);
/// it could only be written in place but has other names (hard links), which
/// that would change too; or the system refused.
Staging stage(const DirectoryHandle &directory, const QString &name, const QString &stagingPrefix, StagedFile *file,
              QString *reason);
/// Whether a staging file is synced as it is finished and the directory as it
/// is renamed, or the caller does both once for many files: the content with
/// syncFileSystem(), the names with syncDirectory().
enum class Flush { Now, ByCaller };

/// Syncs the staging file to the disk as @p flush says. @p close closes it: a
/// caller with many files holds no descriptor each, and its DashboardLock
/// keeps other writers from sweeping the unlocked file meanwhile.
bool syncStaged(StagedFile *file, bool close, Flush flush, QString *reason);
/// Renames the synced staging file over @p name, closes the staging file and
/// syncs the directory as @p flush says.
bool replaceWithStaged(const DirectoryHandle &directory, const QString &name, StagedFile *file, QString *reason,
                       Flush flush = Flush::Now);
/// Makes everything written to @p directory's file system durable, the
/// staging files finished with Flush::ByCaller among it. (Where the system
/// has no such call, those files were synced as they were finished.)
bool syncFileSystem(const DirectoryHandle &directory, QString *reason);
/// Renames @p from over @p to inside @p directory, neither followed if a link,
/// without syncing the directory.
bool renameWithin(const DirectoryHandle &directory, const QString &from, const QString &to, QString *reason);
/// Makes the names of @p directory last through a power loss.
void syncDirectory(const DirectoryHandle &directory);
/// The content of @p name in @p directory when it is a regular file of at
/// most @p maxSize bytes (a link is not followed, a pipe not waited on).
bool readSmallFile(const DirectoryHandle &directory, const QString &name, qint64 maxSize, QByteArray *content);
/// Removes @p name from @p directory.
void removeFile(const DirectoryHandle &directory, const QString &name);
/// Closes and removes the staging file.
void discardStaged(const DirectoryHandle &directory, StagedFile *file);

/// Before an in-place write of @p size bytes over the file staged InPlace:
/// reserves the space it may need without changing the file's content or
/// length; where the file system cannot reserve, checks that enough is free.
/// False ("No space left on device", or why the file cannot be written).
bool reserveInPlace(const DirectoryHandle &directory, const QString &name, const StagedFile &file, qint64 size,
                    QString *reason);
/// Writes @p content over the file staged InPlace, if @p name still is that
/// file and has no other name: only the byte runs that differ from what it
/// holds (all of it when it cannot be read), then cuts it to that length and
/// syncs it.
bool writeInPlace(const DirectoryHandle &directory, const QString &name, const StagedFile &file,
                  const QByteArray &content, QString *reason);

/// Removes @p name from @p directory if it is a regular file (not a link)
/// that no process holds locked, as a living write holds its staging file.
/// True when it was removed.
bool removeUnlessLocked(const DirectoryHandle &directory, const QString &name);

/// A held exclusive lock on a directory; the system releases it when the
/// process ends, however it ends.
///
/// The lock is held on the directory's lock file, ".tolvane.lock", which only
/// those who may write the directory can open: it is made with write
/// permission for them alone and read permission for nobody, so a program
/// that may only read the dashboard cannot hold it. The holder removes the
/// file as it lets go; one left by a killed holder is taken over.
/// Where the file cannot be made or opened (a directory that takes no new
/// file), the directory itself is locked.
class DirectoryLock
{
public:
    DirectoryLock();
    ~DirectoryLock();
    /// Opens the directory @p path; false with @p reason when it cannot be.
    bool open(const QString &path, QString *reason);
    /// Takes the lock, waiting up to @p waitMs for another holder. False when
    /// it cannot be had: @p reason says why, or is empty when another holds it.
    bool lock(int waitMs, QString *reason);
    const QByteArray &identity() const { return m_identity; }
    /// After lock() found the lock held: the holding program as "NAME
    /// (process ID)", or empty where the system does not tell.
    const QString &holder() const { return m_holder; }

private:
    enum class Attempt { Held, Busy, Failed };
    Attempt tryLock(QString *reason);

    QString m_path;
#ifdef Q_OS_WIN
    void *m_lockFile = nullptr; // the lock file's handle while it is held
#else
    int m_fd = -1;
    int m_lockFile = -1; // the lock file's descriptor while it is held
#endif
    QByteArray m_identity;
    QString m_holder;
};

/// What identifies a file's content as last written: device, file number,
/// size and time of last change of content. Empty when it cannot be read.
QByteArray fileIdentity(const QString &path);

/// The same for every path that reaches one file or directory, links
/// followed (device and file number); empty when nothing is there.
QByteArray fileKey(const QString &path);

/// Six letters or digits drawn at random, for a staging file's name.
QString randomFileNameSuffix();

/// The system's text for @p error.
QString errorText(int error);

} // namespace system_files
} // namespace tolvane
