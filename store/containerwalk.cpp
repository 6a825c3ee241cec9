#include "containerwalk.h"
#include "kernelcopy.h"
#include "safewrite.h"

#include "systemfiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace tolvane {

namespace {

constexpr qint64 CopyChunk = 1 << 20;
// Every object needs at least a directory entry, a chunk header and an object header.
constexpr qint64 PerObject = DirectoryEntry::Size + ChunkHeader::Size + ObjectHeader::Size;

// One run of the walk: the file being read, the copy being written when
// rewriting, and the position reached, which every message names.
class WalkRun
{
public:
    WalkRun(const QString &path, ContainerWalk::Mode mode, InPlace inPlace, ContainerWalk::Visitor &visitor,
            const CancelToken &cancel)
        : m_path(path), m_inPlace(inPlace), m_visitor(visitor), m_cancel(cancel)
    {
        if (mode == ContainerWalk::Rewriting) {
            const QFileInfo info(path);
            m_out = std::make_unique<SafeWrite>(info.absolutePath(), info.fileName());
        }
    }

    Status run();
    /// The fingerprint of the file as the walk left it.
    QByteArray fingerprint() const;
    /// A reading walk's file, read again whole on the same descriptor.
    Status digest(QByteArray *result);

private:
    Status open();
    Status walk();
    Status walkObjects(int count);
    // What the walk's structural fault @p found means when the header names more objects than the file holds.
    Status countFault(int count, const Status &found);
    // Whether the file, read on this walk's descriptor, holds @p count objects after a directory of as many entries.
    // Every object walked takes one from @p budget; none left ends the attempt.
    bool holdsObjects(int count, qint64 *budget) const;
    Status skipChunks(int index, ChunkHeader &chunk);
    Status objectPixels(int index, const ObjectHeader &header);

    Status fault(const QString &what) const { return Status::fileError(m_path, what); }
    // A fault of the file's structure, which a wrong object count may have caused.
    Status structureFault(const QString &what)
    {
        m_structureFault = true;
        return fault(what);
    }
    Status objectFault(int index, const QString &what)
    {
        return structureFault(QStringLiteral("object %1 at byte %2: %3").arg(index).arg(m_pos).arg(what));
    }
    Status readFault() const { return fault(QStringLiteral("cannot be read: %1").arg(m_in.errorString())); }
    Status writeFault() const
    {
        return fault(QStringLiteral("cannot be written: %1").arg(m_out->device().errorString()));
    }

    // Reads exactly @p size bytes of @p what, which the file must still hold.
    Status read(char *data, qint64 size, int index, const QString &what);
    Status write(const char *data, qint64 size);
    // Writes one of the records that identify the container's structure (all
    // but pixels and skipped payloads) and takes it into the fingerprint.
    Status writeRecord(const char *data, qint64 size);
    // Moves past @p size bytes, copying them to the new file when rewriting.
    Status pass(qint64 size);
    qint64 remaining() const { return m_size - m_pos; }

    const QString m_path;
    const InPlace m_inPlace;
    QFile m_in;
    std::unique_ptr<SafeWrite> m_out;
    ContainerWalk::Visitor &m_visitor;
    const CancelToken &m_cancel;
    QByteArray m_pixels;
    qint64 m_pos = 0;
    qint64 m_size = 0;
    QCryptographicHash m_structure{QCryptographicHash::Sha256};
    bool m_structureFault = false;
    // Of an attempt at another object count: that count, and the objects it may still walk.
    int m_assumedCount = 0;
    qint64 *m_budget = nullptr;
};

Status WalkRun::open()
{
    // A pipe or a device would wait or read forever; it is refused as opened,
    // so one put in place of the file meanwhile is refused too.
    QString reason;
    if (!system_files::openRegularFile(m_path, m_in, &reason))
        return fault(reason);
    // Writing through a link would replace a file that may lie outside the
    // dashboard; the safe write refuses one, and replaces one swapped in later.
    if (m_out) {
        if (Status s = m_out->open(m_inPlace); !s)
            return s;
    }
    m_size = m_in.size();
    return Status::success();
}

Status WalkRun::read(char *data, qint64 size, int index, const QString &what)
{
    if (remaining() < size) {
        const QString end = QStringLiteral("the file ends inside %1 (%2 bytes needed, %3 left)")
                                .arg(what).arg(size).arg(remaining());
        return index < 0 ? structureFault(QStringLiteral("at byte %1: %2").arg(m_pos).arg(end))
                         : objectFault(index, end);
    }
    if (m_in.read(data, size) != size)
        return readFault();
    m_pos += size;
    return Status::success();
}

Status WalkRun::write(const char *data, qint64 size)
{
    if (m_out && m_out->device().write(data, size) != size)
        return writeFault();
    return Status::success();
}

Status WalkRun::writeRecord(const char *data, qint64 size)
{
    m_structure.addData(QByteArrayView(data, size));
    return write(data, size);
}

Status WalkRun::pass(qint64 size)
{
    if (!m_out) {
        if (!m_in.seek(m_pos + size))
            return readFault();
        m_pos += size;
        return Status::success();
    }
    const qint64 copied = kernelCopy(m_in, m_pos, m_out->handle(), size);
    m_pos += copied;
    size -= copied;
    QByteArray buffer(int(std::min(size, CopyChunk)), Qt::Uninitialized);
    while (size > 0) {
        const qint64 n = std::min<qint64>(size, buffer.size());
        if (m_in.read(buffer.data(), n) != n)
            return readFault();
        if (Status s = write(buffer.constData(), n); !s)
            return s;
        m_pos += n;
        size -= n;
    }
    return Status::success();
}

Status WalkRun::run()
{
    if (Status s = open(); !s)
        return s;
    return walk();
}

Status WalkRun::walk()
{
    char headerBytes[ShpiHeader::Size];
    if (Status s = read(headerBytes, ShpiHeader::Size, -1, QStringLiteral("the header")); !s)
        return s;
    const ShpiHeader header = ShpiHeader::decode(headerBytes);
    if (Status s = writeRecord(headerBytes, ShpiHeader::Size); !s)
        return s;
    if (Status s = m_visitor.header(header); !s)
        return s;

    const int count = m_assumedCount ? m_assumedCount : header.ObjectCount;
    if (count < 1)
        return fault(QStringLiteral("at byte 12: the object count %1 is below 1").arg(count));
    // A larger count cannot be real, and is refused before anything is
    // allocated for it.
    if (qint64(count) * PerObject > remaining())
        return countFault(count, structureFault(QStringLiteral("at byte 12: the object count %1 is more than the "
                                                               "file can hold").arg(count)));
    if (m_budget && (*m_budget -= count) < 0)
        return Status::cancelled(m_path);

    QByteArray directoryBytes(count * DirectoryEntry::Size + 4, Qt::Uninitialized);
    if (Status s = read(directoryBytes.data(), directoryBytes.size(), -1, QStringLiteral("the directory")); !s)
        return s;
    if (Status s = writeRecord(directoryBytes.constData(), directoryBytes.size()); !s)
        return s;
    std::vector<DirectoryEntry> directory(count);
    for (int i = 0; i < count; ++i)
        directory[i] = DirectoryEntry::decode(directoryBytes.constData() + i * DirectoryEntry::Size);
    if (Status s = m_visitor.directory(directory); !s)
        return s;

    if (Status s = walkObjects(count); !s)
        return countFault(count, s);

    // Whatever follows the last object is never interpreted; a rewrite keeps it.
    if (m_out) {
        if (Status s = pass(remaining()); !s)
            return s;
        // Windows gives no name to a new file while the old one is open.
        m_in.close();
        if (Status s = m_out->commit(); !s)
            return s;
        if (!m_out->atomic())
            return Status::success().addNote(notAtomicNote(m_path));
    }
    return Status::success();
}

Status WalkRun::countFault(int count, const Status &found)
{
    if (!m_structureFault || m_budget)
        return found;
    // The directory of a count too large covers the first objects, and what
    // follows it reads as nonsense: the count the objects do fit is named
    // instead. The attempts read, in all, a few times the directory entries
    // and objects the file can hold.
    const qint64 fits = (m_size - ShpiHeader::Size) / PerObject;
    const qint64 highest = std::min<qint64>(count - 1, fits);
    // What the first object's records would be after each directory: most
    // counts are ruled out by them alone, without a walk.
    const qint64 firstChunk = ShpiHeader::Size + 4;
    const qint64 lookAt = std::min(m_size, firstChunk + highest * DirectoryEntry::Size + ChunkHeader::Size +
                                               ObjectHeader::Size);
    QByteArray start(lookAt, Qt::Uninitialized);
    if (!m_in.seek(0) || m_in.read(start.data(), lookAt) != lookAt)
        return found;
    const auto mayStartThere = [&](qint64 at) {
        if (at + ChunkHeader::Size + ObjectHeader::Size > lookAt)
            return true;
        const ChunkHeader chunk = ChunkHeader::decode(start.constData() + at);
        const qint64 after = m_size - at - ChunkHeader::Size;
        if (chunk.isSkipped())
            return chunk.SkipLength >= 0 && chunk.SkipLength <= after;
        const ObjectHeader header = ObjectHeader::decode(start.constData() + at + ChunkHeader::Size);
        return header.Width >= 1 && header.Height >= 1 && header.pixelCount() <= after - ObjectHeader::Size;
    };
    qint64 budget = 4 * fits + 64;
    for (qint64 fewer = highest; fewer >= 1 && budget > 0; --fewer) {
        if (mayStartThere(firstChunk + fewer * DirectoryEntry::Size) && holdsObjects(int(fewer), &budget))
            return fault(QStringLiteral("at byte 12: the header names %1 objects, but the file holds only %2")
                             .arg(count)
                             .arg(fewer));
    }
    return found;
}

bool WalkRun::holdsObjects(int count, qint64 *budget) const
{
    ContainerWalk::Visitor nothing;
    WalkRun attempt(m_path, ContainerWalk::Reading, InPlace::Refused, nothing, m_cancel);
    attempt.m_assumedCount = count;
    attempt.m_budget = budget;
    attempt.m_size = m_size;
    return attempt.m_in.open(m_in.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) &&
           attempt.m_in.seek(0) && attempt.walk();
}

Status WalkRun::skipChunks(int index, ChunkHeader &chunk)
{
    char bytes[ChunkHeader::Size];
    for (;;) {
        if (Status s = read(bytes, ChunkHeader::Size, index, QStringLiteral("a chunk header")); !s)
            return s;
        if (Status s = writeRecord(bytes, ChunkHeader::Size); !s)
            return s;
        chunk = ChunkHeader::decode(bytes);
        if (!chunk.isSkipped())
            return Status::success();
        if (chunk.SkipLength < 0)
            return objectFault(index, QStringLiteral("a skipped chunk has the negative length %1").arg(chunk.SkipLength));
        if (chunk.SkipLength > remaining())
            return objectFault(index, QStringLiteral("a skipped chunk of %1 bytes runs past the end of the file")
                                          .arg(chunk.SkipLength));
        if (Status s = pass(chunk.SkipLength); !s)
            return s;
    }
}

Status WalkRun::objectPixels(int index, const ObjectHeader &header)
{
    const qint64 size = header.pixelCount();
    if (size > remaining())
        return objectFault(index, QStringLiteral("the pixel data of %1 x %2 bytes runs past the end of the file")
                                      .arg(header.Width).arg(header.Height));
    const auto action = m_visitor.pixelAction();
    if (action == ContainerWalk::PixelAction::PassOver)
        return pass(size);

    // One buffer serves every object: fresh memory for each would cost a
    // page fault and a clearing per page.
    m_pixels.resize(size);
    if (Status s = read(m_pixels.data(), size, index, QStringLiteral("the pixel data")); !s)
        return s;
    if (Status s = m_visitor.pixels(index, header, m_pixels); !s)
        return s;
    if (m_pixels.size() != size)
        return objectFault(index, QStringLiteral("the new pixel data has the wrong size"));
    return write(m_pixels.constData(), size);
}

Status WalkRun::walkObjects(int count)
{
    for (int i = 0; i < count; ++i) {
        if (m_cancel.cancelled())
            return Status::cancelled(m_path);
        if (m_budget && --*m_budget < 0)
            return Status::cancelled(m_path);
        if (i > 0 && remaining() == 0)
            return structureFault(QStringLiteral("at byte %1: the header names %2 objects, but the file ends after "
                                                 "object %3").arg(m_pos).arg(count).arg(i - 1));
        ChunkHeader chunk;
        if (Status s = skipChunks(i, chunk); !s)
            return s;

        const qint64 headerAt = m_pos;
        char bytes[ObjectHeader::Size];
        if (Status s = read(bytes, ObjectHeader::Size, i, QStringLiteral("the object header")); !s)
            return s;
        ObjectHeader header = ObjectHeader::decode(bytes);
        if (header.Width < 1 || header.Height < 1) {
            m_pos = headerAt;
            return objectFault(i, QStringLiteral("the size %1 x %2 is not a picture size").arg(header.Width).arg(header.Height));
        }
        if (Status s = m_visitor.objectHeader(i, header); !s)
            return s;
        header.encode(bytes);
        if (Status s = writeRecord(bytes, ObjectHeader::Size); !s)
            return s;

        if (Status s = objectPixels(i, header); !s)
            return s;

        if (chunk.carriesDialRecord()) {
            char dialBytes[DialRecord::Size];
            if (Status s = read(dialBytes, DialRecord::Size, i, QStringLiteral("the dial record")); !s)
                return s;
            DialRecord record = DialRecord::decode(dialBytes);
            if (Status s = m_visitor.dialRecord(i, record); !s)
                return s;
            record.encode(dialBytes);
            if (Status s = writeRecord(dialBytes, DialRecord::Size); !s)
                return s;
        }
        m_visitor.objectDone(i, count);
    }
    return Status::success();
}

QByteArray WalkRun::fingerprint() const
{
    return system_files::fileIdentity(m_path) + '/' + m_structure.result().toHex();
}

Status WalkRun::digest(QByteArray *result)
{
    // Told apart from an accidental change, not from a forged one.
    QCryptographicHash content(QCryptographicHash::Sha1);
    QByteArray buffer(int(std::min(m_size, CopyChunk)), Qt::Uninitialized);
    if (!m_in.seek(0))
        return readFault();
    for (qint64 n; (n = m_in.read(buffer.data(), buffer.size())) > 0;)
        content.addData(QByteArrayView(buffer.constData(), n));
    if (m_in.error() != QFileDevice::NoError)
        return readFault();
    *result = content.result();
    return Status::success();
}

} // namespace

Status ContainerWalk::run(const QString &containerPath, Mode mode, Visitor &visitor, QByteArray *fingerprint,
                          InPlace inPlace, const CancelToken &cancel, Digest *digest)
{
    WalkRun walk(containerPath, mode, inPlace, visitor, cancel);
    Status walked = walk.run();
    if (!walked || (!fingerprint && !digest))
        return walked;
    const QByteArray walkedFingerprint = walk.fingerprint();
    if (fingerprint)
        *fingerprint = walkedFingerprint;
    if (digest && mode == Reading && (digest->unless.isEmpty() || digest->unless != walkedFingerprint))
        return walk.digest(&digest->result);
    return walked;
}

} // namespace tolvane
