#pragma once

#include <QString>

namespace tolvane {

/// The outcome of a file operation: success, or a message for the user that
/// names the file and says what is wrong with it.
class Status
{
public:
    static Status success() { return Status(); }
    static Status failure(const QString &message) { return Status(message); }
    /// A failure about one file: "<file>: <what>".
    static Status fileError(const QString &fileName, const QString &what);
    /// A write of @p fileName that could only be made in place, over the old
    /// content, which the caller did not allow: "<file>: can only be written
    /// in place: <why>". Nothing was written; the caller may ask the user and
    /// try again allowing it (see SafeWrite).
    static Status inPlaceRefused(const QString &fileName, const QString &why);
    /// The user stopped the operation on @p fileName before it committed
    /// anything: "<file>: the operation was cancelled; nothing was written".
    static Status cancelled(const QString &fileName);

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString &message() const { return m_message; }
    /// The file of an inPlaceRefused() failure; empty for any other status.
    const QString &inPlaceFile() const { return m_inPlaceFile; }
    /// Whether this failure is the user's cancel rather than a fault.
    bool wasCancelled() const { return m_cancelled; }

    /// A success that the user should still hear of, such as a write that
    /// could not be made atomic; empty for a plain success.
    const QString &note() const { return m_note; }
    Status &addNote(const QString &note);

private:
    Status() = default;
    explicit Status(const QString &message) : m_ok(false), m_message(message) {}

    bool m_ok = true;
    QString m_message;
    QString m_note;
    QString m_inPlaceFile;
    bool m_cancelled = false;
};

} // namespace tolvane
