#pragma once

#include "canceltoken.h"
#include "records.h"
#include "safewrite.h"
#include "status.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tolvane {

/// The one sequential pass over SHPI.DAT that load, save, extraction and
/// compilation share. They differ only in what their visitor does with each
/// object's ObjectHeader, PixelBlock and DialRecord.
///
/// A reading walk only reads the file. A rewriting walk streams a complete
/// copy of it through a SafeWrite, with the visitor's ObjectHeaders,
/// PixelBlocks and DialRecords in place of the old ones, and replaces the file
/// only when the whole walk succeeded: the result is byte for byte the
/// in-place rewrite (same length, every other byte unchanged), and a failure,
/// a kill or a full disk leaves the old file as it was. A container that is a
/// symbolic link is read but never rewritten, so that no file outside the
/// dashboard changes. A rewrite that can only be made in place is refused
/// before anything is written unless the caller allows it (see SafeWrite);
/// one made in place says so in the returned status's note. The caller holds
/// the dashboard's DashboardLock.
///
/// Every structural fault (a short file, a count below 1 or beyond what the
/// file can hold, a size below 1, a negative or overlong skip) stops the walk
/// with a message naming the file, the object and the byte offset.
class ContainerWalk
{
public:
    enum Mode { Reading, Rewriting };
    enum class PixelAction { PassOver, Read };

    /// Does nothing with what it visits: a walk of the structure alone.
    class Visitor
    {
    public:
        virtual ~Visitor() = default;

        /// After the ShpiHeader.
        virtual Status header(const ShpiHeader &) { return Status::success(); }
        /// After the directory and the gap word.
        virtual Status directory(const std::vector<DirectoryEntry> &) { return Status::success(); }
        /// At object @p index. Reading: @p header holds the file's record.
        /// Rewriting: it holds the file's record on entry and what is left in
        /// it is written.
        virtual Status objectHeader(int /*index*/, ObjectHeader & /*header*/) { return Status::success(); }
        virtual PixelAction pixelAction() const { return PixelAction::PassOver; }
        /// With PixelAction::Read: @p pixels holds the file's block; when
        /// rewriting, what is left in it (of the same size) is written.
        virtual Status pixels(int /*index*/, const ObjectHeader &, QByteArray & /*pixels*/) { return Status::success(); }
        /// After the pixels of a chunk named "0000". Reading: @p record holds
        /// the file's; rewriting: what is left in it is written.
        virtual Status dialRecord(int /*index*/, DialRecord & /*record*/) { return Status::success(); }
        /// Object @p index of @p count is walked completely.
        virtual void objectDone(int /*index*/, int /*count*/) {}
    };

    /// A digest of every byte of the file a reading walk read, taken on its
    /// descriptor once the walk has succeeded: always, or, when @p unless
    /// is given, only if the walk's fingerprint differs from it, so that a
    /// file known by its fingerprint is not read whole.
    struct Digest
    {
        QByteArray unless;
        QByteArray result; // empty when not taken
    };

    /// Walks the container at @p containerPath. On success @p fingerprint,
    /// when given, identifies the file as the walk left it: the file itself
    /// (device, number, size, time of last change) and its every record but
    /// the pixels and skipped payloads. Another program's write changes it,
    /// and so does a copy of the same bytes put in its place, which only
    /// @p digest tells apart. @p inPlace says whether a rewrite may go in
    /// place where it must. Once @p cancel is set the walk stops before the
    /// next object, with Status::cancelled() and nothing replaced.
    static Status run(const QString &containerPath, Mode mode, Visitor &visitor, QByteArray *fingerprint = nullptr,
                      InPlace inPlace = InPlace::Refused, const CancelToken &cancel = {}, Digest *digest = nullptr);
};

} // namespace tolvane
