#pragma once

#include "records.h"
#include "masks/maskbitmap.h"

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

/// The container tables shared by the file operations and the editor. One
/// instance is owned by its user (the editor's window, a tolvane-cli run).
struct ShpiTables
{
    ShpiHeader header;
    ObjectTable objects;
    DialRecord dialRecord;
    /// Whether the container last loaded or extracted had a chunk named "0000".
    bool hasDialRecord = false;
    /// Identifies SHPI.DAT as last read or written into these tables, so that
    /// a write can tell whether another program changed it since.
    QByteArray fingerprint;
    BmpPalette palette{};
    MaskBitmapHeader maskHeader;
};

} // namespace tolvane
