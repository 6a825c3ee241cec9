#include "tablereader.h"
#include "listing.h"

namespace tolvane {

Status TableReader::header(const ShpiHeader &header)
{
    m_out.print(objectCountLine(header.ObjectCount));
    return Status::success();
}

Status TableReader::directory(const std::vector<DirectoryEntry> &directory)
{
    m_objects.directory = directory;
    m_objects.headers.assign(directory.size(), ObjectHeader());
    return Status::success();
}

Status TableReader::objectHeader(int index, ObjectHeader &header)
{
    m_objects.headers[index] = header;
    m_out.print(objectLine(index, m_objects.directory[index], header));
    return Status::success();
}

Status TableReader::dialRecord(int index, DialRecord &record)
{
    m_dialRecords.push_back({index, record});
    return Status::success();
}

void TableReader::commitTo(ShpiTables &tables) const
{
    tables.objects = m_objects;
    tables.hasDialRecord = !m_dialRecords.empty();
    tables.dialRecordsRead = m_dialRecords;
    // With several chunks named "0000" the last record read is the one edited.
    if (tables.hasDialRecord)
        tables.dialRecord = m_dialRecords.back().record;
}

} // namespace tolvane
