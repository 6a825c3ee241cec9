#pragma once

#include "containerwalk.h"
#include "printtarget.h"
#include "shpitables.h"

namespace tolvane {

/// The writing side of the walk, shared by save and compilation: writes every
/// ObjectHeader of the ObjectTable and each chunk's DialRecord over the
/// file's, after checking that the file still holds the objects that were
/// loaded.
class TableWriter : public ContainerWalk::Visitor
{
public:
    TableWriter(const QString &containerPath, const ShpiTables &tables, PrintTarget &out)
        : m_path(containerPath), m_tables(tables), m_out(out) {}

    Status header(const ShpiHeader &header) override;
    Status directory(const std::vector<DirectoryEntry> &directory) override;
    Status objectHeader(int index, ObjectHeader &header) override;
    Status dialRecord(int index, DialRecord &record) override;
    void objectDone(int index, int count) override { m_out.objectsDone(index + 1, count); }

    /// Takes the directory the walk re-read into @p tables.
    void commitTo(ShpiTables &tables) const;

protected:
    /// Prints what the operation reports once object @p index's header is written.
    virtual void objectWritten(int index) = 0;

    PrintTarget &out() { return m_out; }
    const ShpiTables &tables() const { return m_tables; }
    const std::vector<DirectoryEntry> &directoryRead() const { return m_directory; }

private:
    const QString m_path;
    const ShpiTables &m_tables;
    PrintTarget &m_out;
    std::vector<DirectoryEntry> m_directory;
};

} // namespace tolvane
