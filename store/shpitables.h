#pragma once

#include "records.h"

#include <vector>

namespace tolvane {

/// The directory and the ObjectHeaders of the loaded container; entry i of
/// both, and row i of the object list, denote the same object.
struct ObjectTable
{
    std::vector<DirectoryEntry> directory;
    std::vector<ObjectHeader> headers;

    int count() const { return int(headers.size()); }
};

/// A DialRecord as the file holds it, after the chunk of object @c object.
struct ChunkDialRecord
{
    int object = 0;
    DialRecord record;
};

/// The container tables shared by the file operations and the editor. One
/// instance is owned by its user (the editor's window, a tolvane-cli run).
struct ShpiTables
{
    ObjectTable objects;
    /// The DialRecord that is edited: the last one the container holds.
    DialRecord dialRecord;
    /// Whether the container last loaded or extracted had a chunk named "0000".
    bool hasDialRecord = false;
    /// Identifies SHPI.DAT as last read or written into these tables, so that
    /// a write can tell whether another program changed it since.
    QByteArray fingerprint;
    /// A digest of that file's bytes, where the load took one: a copy of
    /// them put back is then no change, whatever its fingerprint. Empty after
    /// a save, compilation or extraction, which do not read the file whole.
    QByteArray contentDigest;
    /// Every chunk named "0000" of that container with the record read after
    /// it. A save writes each chunk's own record back, and dialRecord after
    /// the last, so that a container with several records keeps them all.
    std::vector<ChunkDialRecord> dialRecordsRead;
};

} // namespace tolvane
