#include "document/dashboarddocument.h"

#include "document/editcommands.h"
#include "masks/compilemasks.h"
#include "masks/extractmasks.h"
#include "pictures/picturefile.h"
#include "store/dashboarddirectory.h"
#include "store/dashboardlock.h"
#include "store/loadshpi.h"
#include "store/saveshpidata.h"

#include <QDir>
#include <QScopedValueRollback>

namespace tolvane {

namespace {

bool pointFitsInt16(QPoint point)
{
    return fitsInt16(point.x()) && fitsInt16(point.y());
}

} // namespace

DashboardDocument::DashboardDocument(QObject *parent)
    : QObject(parent)
{
    connect(&m_undoStack, &QUndoStack::cleanChanged, this, &DashboardDocument::cleanChanged);
}

DashboardDocument::~DashboardDocument()
{
    // The stack announces its clearing as it goes; nobody should hear it.
    m_undoStack.disconnect(this);
}

Status DashboardDocument::load(const QString &directory, PrintTarget &out, LoadParts parts)
{
    // Read into a copy: a refused load leaves the tables as they were, and a
    // container without dial data keeps the current DialRecord.
    ShpiTables read = m_tables;
    QImage background;
    // The editor, which loads the background too, follows the file's
    // changes: a copy of the same bytes put back is known by them. The
    // command line writes at once, and reads the file only once.
    Status status = LoadShpi(directory, out, read,
                             parts == ContainerAndBackground ? ContentDigest::Taken : ContentDigest::Skipped);
    if (status && parts == ContainerAndBackground)
        status = readDashboardBackground(directory, &background);
    if (!status)
        return status;

    m_directory = directory;
    m_tables = read;
    takeFileState(background);
    m_selected = -1;
    Q_EMIT loaded();
    return status;
}

void DashboardDocument::takeFileState(const QImage &background)
{
    m_background = background;
    // The edits were made to the tables just replaced.
    m_undoStack.clear();
}

Status DashboardDocument::save(PrintTarget &out, WriteChoices choices, bool *changedOnDisk)
{
    return writeContainer(out, SaveShpiData, choices, changedOnDisk);
}

Status DashboardDocument::extractMasks(PrintTarget &out, InPlace inPlace)
{
    QImage background;
    if (Status status = readDashboardBackground(m_directory, &background); !status)
        return status;

    // The tables are read again: no object stays selected.
    m_selected = -1;
    Q_EMIT extractionStarted();
    ShpiTables extracted = m_tables;
    const Status status =
        runOperation(out, [&, directory = m_directory](PrintTarget &printer, const CancelToken &cancel) {
            return ExtractMasks(directory, printer, extracted, inPlace, cancel);
        });
    Q_EMIT extractionFinished(status.ok());
    if (status) {
        m_tables = extracted;
        takeFileState(background);
    }
    // A failed extraction left the tables as they were: they are shown again.
    Q_EMIT loaded();
    return status;
}

Status DashboardDocument::compileMasks(PrintTarget &out, WriteChoices choices, bool *changedOnDisk)
{
    // Compiling writes the headers and the dial data as a save does.
    return writeContainer(out, CompileMasks, choices, changedOnDisk);
}

Status DashboardDocument::runOperation(PrintTarget &out, const OperationRunner::Work &work)
{
    const QScopedValueRollback running(m_runningOperation, true);
    return m_runner ? m_runner->run(out, work) : work(out, CancelToken());
}

Status DashboardDocument::writeContainer(PrintTarget &out, ContainerWrite write, WriteChoices choices,
                                         bool *changedOnDisk)
{
    if (changedOnDisk)
        *changedOnDisk = false;
    // The write takes the lock again, which its holder may: no other program
    // can change the file between the check and the rename.
    DashboardLock lock(m_directory);
    if (Status s = lock.acquire(); !s)
        return s;
    if (choices.ifChanged == ChangedContainer::Refuse) {
        bool changed = false;
        if (Status s = checkContainer(&changed); !s)
            return s;
        if (changed) {
            if (changedOnDisk)
                *changedOnDisk = true;
            return Status::fileError(QDir(m_directory).filePath(DashboardDirectory::ContainerName),
                                     QStringLiteral("another program has changed the file since it "
                                                    "was read; it was not written."));
        }
    }
    ShpiTables tables = m_tables;
    const Status written =
        runOperation(out, [&, directory = m_directory](PrintTarget &printer, const CancelToken &cancel) {
            return write(directory, printer, tables, choices.inPlace, cancel);
        });
    if (written) {
        m_tables = tables;
        m_undoStack.setClean();
        Q_EMIT containerWritten();
    }
    return written;
}

Status DashboardDocument::checkContainer(bool *changed)
{
    return tolvane::checkContainer(m_directory, m_tables, changed);
}

Status DashboardDocument::reloadBackground()
{
    QImage background;
    if (Status status = readDashboardBackground(m_directory, &background); !status)
        return status;
    m_background = background;
    Q_EMIT backgroundChanged();
    return Status::success();
}

bool DashboardDocument::moveObject(int index, QPoint position, int mergeRun)
{
    if (index < 0 || index >= m_tables.objects.count() || !pointFitsInt16(position))
        return false;
    const ObjectHeader &header = m_tables.objects.headers[size_t(index)];
    const QPoint from(header.XPos, header.YPos);
    // A move to where the object is changes nothing and leaves the redo steps alone.
    if (position != from)
        m_undoStack.push(new MoveObject(*this, index, from, position, mergeRun));
    return true;
}

void DashboardDocument::setDialField(DialField field, int16_t value, int mergeRun)
{
    const int16_t before = m_tables.dialRecord.field(field);
    if (value != before)
        m_undoStack.push(new ChangeDialField(*this, field, before, value, mergeRun));
}

bool DashboardDocument::setColourPoint(QPoint point)
{
    if (!pointFitsInt16(point))
        return false;
    const DialRecord &record = m_tables.dialRecord;
    const QPoint before(record.field(DialField::ColourX), record.field(DialField::ColourY));
    if (point != before)
        m_undoStack.push(new SetColourPoint(*this, before, point));
    return true;
}

void DashboardDocument::applyObjectPosition(int index, QPoint position, EditRun run)
{
    const QScopedValueRollback replaying(m_replaying, run == EditRun::Replay);
    ObjectHeader &header = m_tables.objects.headers[size_t(index)];
    header.XPos = int16_t(position.x());
    header.YPos = int16_t(position.y());
    Q_EMIT objectMoved(index);
    if (index != m_selected)
        selectObject(index);
}

void DashboardDocument::selectObject(int index)
{
    m_selected = index >= 0 && index < m_tables.objects.count() ? index : -1;
    Q_EMIT selectionChanged(m_selected);
}

void DashboardDocument::applyDialField(DialField field, int16_t value, EditRun run)
{
    const QScopedValueRollback replaying(m_replaying, run == EditRun::Replay);
    m_tables.dialRecord.setField(field, value);
    Q_EMIT dialChanged(field);
}

} // namespace tolvane
