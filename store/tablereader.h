#pragma once

#include "containerwalk.h"
#include "printtarget.h"
#include "shpitables.h"

namespace tolvane {

/// The reading side of the walk: fills fresh tables from the container and
/// prints the load's listing. The caller's tables are replaced only by
/// commitTo(), after the whole walk succeeded.
class TableReader : public ContainerWalk::Visitor
{
public:
    explicit TableReader(PrintTarget &out) : m_out(out) {}

    Status header(const ShpiHeader &header) override;
    Status directory(const std::vector<DirectoryEntry> &directory) override;
    Status objectHeader(int index, ObjectHeader &header) override;
    Status dialRecord(int index, DialRecord &record) override;
    void objectDone(int index, int count) override { m_out.objectsDone(index + 1, count); }

    /// Replaces the ObjectTable of @p tables, and its DialRecord when the
    /// container had a chunk named "0000".
    void commitTo(ShpiTables &tables) const;

protected:
    PrintTarget &out() { return m_out; }
    const ObjectTable &objects() const { return m_objects; }

private:
    PrintTarget &m_out;
    ObjectTable m_objects;
    std::vector<ChunkDialRecord> m_dialRecords;
};

} // namespace tolvane
