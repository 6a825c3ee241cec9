#include "tablewriter.h"
#include "listing.h"

#include <algorithm>

namespace tolvane {

Status TableWriter::header(const ShpiHeader &header)
{
    m_out.print(objectCountLine(header.ObjectCount));
    return Status::success();
}

Status TableWriter::directory(const std::vector<DirectoryEntry> &directory)
{
    if (int(directory.size()) != m_tables.objects.count()) {
        return Status::fileError(m_path, QStringLiteral("the file now holds %1 objects, the loaded dashboard %2; "
                                                        "load it again before writing")
                                             .arg(directory.size())
                                             .arg(m_tables.objects.count()));
    }
    m_directory = directory;
    return Status::success();
}

Status TableWriter::objectHeader(int index, ObjectHeader &header)
{
    const ObjectHeader &loaded = m_tables.objects.headers[index];
    if (header.Width != loaded.Width || header.Height != loaded.Height) {
        return Status::fileError(m_path, QStringLiteral("object %1 is now %2 x %3 pixels, loaded as %4 x %5; "
                                                        "load it again before writing")
                                             .arg(index)
                                             .arg(header.Width)
                                             .arg(header.Height)
                                             .arg(loaded.Width)
                                             .arg(loaded.Height));
    }
    header = loaded;
    objectWritten(index);
    return Status::success();
}

Status TableWriter::dialRecord(int index, DialRecord &record)
{
    const std::vector<ChunkDialRecord> &read = m_tables.dialRecordsRead;
    const auto chunk = std::find_if(read.begin(), read.end(), [index](const ChunkDialRecord &r) {
        return r.object == index;
    });
    if (chunk == read.end()) {
        return Status::fileError(m_path, QStringLiteral("the chunk of object %1 is now named \"0000\", which it was "
                                                        "not when loaded; load it again before writing")
                                             .arg(index));
    }
    // Only the last record is edited; the others go back as they were read.
    record = std::next(chunk) == read.end() ? m_tables.dialRecord : chunk->record;
    return Status::success();
}

void TableWriter::commitTo(ShpiTables &tables) const
{
    tables.objects.directory = m_directory;
}

} // namespace tolvane
