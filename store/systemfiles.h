#pragma once

// The operating system's file calls that Qt does not offer: writing relative
// to an open directory without following links, keeping a file's owner and
// attributes across a replace, and locking a directory. Everything above this
// layer is portable; on systems without these calls each function takes a
// portable path through Qt.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

class QLockFile;

namespace tolvane {

class DirectoryHandle;

namespace system_files {

/// Opens @p path as a directory; -1 with @p reason set when it cannot be
/// opened, -1 with an empty @p reason where the system has no such handles.
int openDirectory(const QString &path, QString *reason);
void closeDescriptor(int fd);

/// A staging file being written.
struct StagedFile
{
    QString stagingName;
    int descriptor = -1;
    int original = -1; // the file being replaced, read for its owner and attributes
    std::unique_ptr<QIODevice> device;
};

enum class Staging { Staged, InPlace, Failed };

/// Creates the staging file for @p name in @p directory, named "." + name +
/// @p mark + six letters or digits. InPlace when the directory takes no new
/// file but @p name may be written; Failed (with @p reason) otherwise, also
/// when @p name is a link or no regular file.
Staging stage(const DirectoryHandle &directory, const QString &name, const QString &mark, StagedFile *file,
              QString *reason);
/// Whether a staging file is synced as it is finished and the directory as it
/// is renamed, or the caller does both once for many files: the content with
/// syncFileSystem(), the names with syncDirectory().
enum class Flush { Now, ByCaller };

/// Gives the staging file the replaced file's owner, group, mode and extended
/// attributes where allowed, syncs it as @p flush says and closes it.
bool finishStaged(const DirectoryHandle &directory, const QString &name, StagedFile *file, QString *reason,
                  Flush flush = Flush::Now);
/// Renames the finished staging file over @p name and syncs the directory as
/// @p flush says.
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
/// Writes @p content over @p name from its start, cuts it to that length and syncs it.
bool writeInPlace(const DirectoryHandle &directory, const QString &name, const QByteArray &content, QString *reason);

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
    int m_fd = -1;
    int m_lockFile = -1; // the lock file's descriptor while it is held
    QByteArray m_identity;
    QString m_holder;
    std::unique_ptr<QLockFile> m_portableLock;
};

/// What identifies a file's content as last written: device, file number,
/// size and time of last change of content. Empty when it cannot be read.
QByteArray fileIdentity(const QString &path);

/// The system's text for @p error.
QString errorText(int error);

/// Opens @p path, through links, for reading: a pipe without waiting for a
/// writer, and then refused like anything else that the opened descriptor
/// says is no regular file. Null with @p reason when refused or not opened.
std::unique_ptr<QIODevice> openRegularFile(const QString &path, QString *reason);

} // namespace system_files
} // namespace tolvane
