#pragma once

#include "status.h"

#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>

namespace tolvane {

class DirectoryHandle;

/// Replaces one file of a directory so that its name holds either the old or
/// the complete new content, whatever happens meanwhile: a kill, a full disk,
/// or another program swapping a link in for the name.
///
/// The new content goes to a staging file of our own in the same directory
/// (".<name>.tolvane~XXXXXX", a name no person chooses), which is synced, given
/// the old file's owner, group, mode and extended attributes where the process
/// may set them, and renamed over the name. Everything is done relative to one
/// descriptor of the directory and without following links, so a link swapped
/// in for the name is itself replaced and its target never touched. A name that
/// is a link when the write begins is refused.
///
/// Where the directory takes no new file but the file itself may be written,
/// the content is collected and written over the file in place on commit. That
/// write is not atomic, and atomic() says so for the caller to tell the user.
class SafeWrite
{
public:
    /// A write of @p name inside @p directory.
    SafeWrite(const QString &directory, const QString &name);
    /// Who makes the staged content and the new name durable: each write as it
    /// finishes and commits, or the caller once for many (SafeWriteBatch).
    enum class Flush { Own, ByCaller };

    /// A write sharing an open directory with others, so that many staged files
    /// cost no descriptor each.
    SafeWrite(std::shared_ptr<const DirectoryHandle> directory, const QString &name, Flush flush = Flush::Own);
    /// An uncommitted write is cancelled: its staging file is removed.
    ~SafeWrite();

    SafeWrite(const SafeWrite &) = delete;
    SafeWrite &operator=(const SafeWrite &) = delete;

    /// Creates the staging file (or prepares the write in place).
    Status open();
    /// Where the new content is written, sequentially. Its errorString() names
    /// the system's reason for a refused write ("No space left on device").
    QIODevice &device();
    /// The staging file's descriptor, for copies inside the kernel; -1 when
    /// there is none to copy into.
    int handle() const;
    /// Syncs and closes the staging file, keeping it staged: many files can
    /// wait for their replace() without holding a descriptor each.
    Status finish();
    /// Puts the new content under the name (finishing first when needed).
    Status commit();
    /// Removes the staging file; the name keeps its old content.
    void cancel();

    /// False when the content was, or will be, written in place.
    bool atomic() const;
    /// The staging file's name in the directory until the commit; empty where
    /// there is none of ours (a write in place, a system without directory
    /// descriptors).
    QString stagingName() const;
    /// The path of the file being replaced, for messages.
    QString path() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

/// An open directory that writes are made relative to.
class DirectoryHandle
{
public:
    explicit DirectoryHandle(const QString &path);
    ~DirectoryHandle();

    DirectoryHandle(const DirectoryHandle &) = delete;
    DirectoryHandle &operator=(const DirectoryHandle &) = delete;

    Status open();
    const QString &path() const { return m_path; }
    /// The descriptor on systems that have one, else -1.
    int descriptor() const { return m_fd; }

private:
    QString m_path;
    int m_fd = -1;
};

/// Writes the whole file @p path through a SafeWrite: @p produce writes the
/// content to the device it is given and returns false when it could not.
Status writeFileSafely(const QString &path, const std::function<bool(QIODevice &)> &produce);

/// What the user is told after a write of @p path that was made in place.
QString notAtomicNote(const QString &path);

/// Whether @p fileName is the name of a staging file of SafeWrite.
bool isStagingFileName(const QString &fileName);

/// Removes the staging files that killed writes left in @p directory. Only a
/// caller holding the directory's DashboardLock may sweep: no other write of
/// ours can be under way then.
void removeStagingLeftovers(const QString &directory);

} // namespace tolvane
