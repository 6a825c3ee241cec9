#pragma once

#include "document/editcommands.h"
#include "document/operationrunner.h"
#include "store/printtarget.h"
#include "store/safewrite.h"
#include "store/shpitables.h"
#include "store/status.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QUndoStack>

namespace tolvane {

/// The open dashboard: its directory, its tables, the background picture and
/// the undo history of every edit. The editor's views and tolvane-cli change
/// the tables only through moveObject(), setDialField() and setColourPoint(),
/// each an undo command, so that both write the same bytes for the same edit.
/// The file operations run the container routines on the tables, printing on
/// the target they are given; observers learn what changed from the signals.
class DashboardDocument : public QObject
{
    Q_OBJECT

public:
    /// What load() reads: the editor needs the background picture, the
    /// command line only the container.
    enum LoadParts { ContainerOnly, ContainerAndBackground };

    explicit DashboardDocument(QObject *parent = nullptr);
    ~DashboardDocument() override;

    /// Empty until a load succeeds.
    const QString &directory() const { return m_directory; }
    bool isOpen() const { return !m_directory.isEmpty(); }
    const ShpiTables &tables() const { return m_tables; }
    /// "0000.bmp" as read by the last load or extraction.
    const QImage &background() const { return m_background; }

    /// Every edit, for undo and redo; clean while the file holds the tables.
    QUndoStack &undoStack() { return m_undoStack; }
    bool isClean() const { return m_undoStack.isClean(); }

    /// Reads @p directory's SHPI.DAT (and its background picture), printing
    /// the listing on @p out. On failure nothing of the document changes.
    Status load(const QString &directory, PrintTarget &out, LoadParts parts = ContainerAndBackground);
    /// What a save or a compilation does when SHPI.DAT is no longer the file
    /// the tables were read from or last written to: another program wrote it.
    enum class ChangedContainer { Refuse, Overwrite };
    /// What the user has allowed a write of SHPI.DAT to do, when asked; {}
    /// allows neither (both enums refuse first).
    struct WriteChoices
    {
        ChangedContainer ifChanged;
        InPlace inPlace;
    };

    /// Writes the positions and the dial data into SHPI.DAT. Refused, setting
    /// @p changedOnDisk when given, while SHPI.DAT is not the file the tables
    /// come from, unless the choices say to overwrite it; refused with
    /// Status::inPlaceRefused() where it can only be written in place, unless
    /// they allow that.
    Status save(PrintTarget &out, WriteChoices choices = {}, bool *changedOnDisk = nullptr);
    /// Writes every mask bitmap and reads the tables again from the file. The
    /// background is read first: without it nothing is written. A mask file
    /// that can only be written in place is written so only as @p inPlace allows.
    Status extractMasks(PrintTarget &out, InPlace inPlace = InPlace::Refused);
    /// Writes the mask bitmaps, the positions and the dial data into SHPI.DAT;
    /// a changed SHPI.DAT and a write in place are treated as save() does.
    Status compileMasks(PrintTarget &out, WriteChoices choices = {}, bool *changedOnDisk = nullptr);
    /// Where save(), extractMasks() and compileMasks() run their work; at
    /// once, on the caller's thread, until one is set. The runner must
    /// outlive the document's operations.
    void setOperationRunner(OperationRunner *runner) { m_runner = runner; }
    /// True while a file operation's work runs: until it ends, SHPI.DAT may
    /// be newer than the tables' fingerprint says.
    bool isRunningOperation() const { return m_runningOperation; }

    /// Sets @p changed when SHPI.DAT is no longer the file the tables were
    /// read from or last written to: another program wrote it. A copy of the
    /// same bytes put in its place is no change. One that cannot be read
    /// counts as changed, and the failure says why.
    Status checkContainer(bool *changed);

    /// Reads "0000.bmp" again; on failure the background stays as it was.
    Status reloadBackground();

    /// Places object @p index with its reference point at @p position. False,
    /// changing nothing, for an index beyond the table or a position beyond
    /// 16 bits. Moves with the same @p mergeRun (not -1) of one object merge
    /// into one undo step.
    bool moveObject(int index, QPoint position, int mergeRun = -1);
    /// Stores @p value in @p field; changes of one field with the same
    /// @p mergeRun (not -1) merge into one undo step.
    void setDialField(DialField field, int16_t value, int mergeRun = -1);
    /// Stores the needle colour's sample point (ColourX, ColourY); false for
    /// a point beyond 16 bits.
    bool setColourPoint(QPoint point);

    /// True while undo or redo replays an edit, as opposed to its first
    /// making: a view then brings the edit into sight.
    bool isReplayingEdit() const { return m_replaying; }

    /// The selected object, which the editor's views show and its watcher
    /// follows; -1 for none. A load or an extraction selects none.
    int selectedObject() const { return m_selected; }
    /// Selects object @p index (-1, or an index beyond the table, for none),
    /// also when it is selected already: the views then show it afresh.
    void selectObject(int index);

Q_SIGNALS:
    /// The tables were read anew, or are to be shown afresh after a failed
    /// extraction: everything shown of them is stale.
    void loaded();
    /// Object @p index was moved; it is selected right after, unless it is
    /// already, so that an undo or redo shows what it changed.
    void objectMoved(int index);
    /// selectObject() or a move chose object @p index (-1 for none).
    void selectionChanged(int index);
    void dialChanged(DialField field);
    void cleanChanged(bool clean);
    /// An extraction has read the background and starts writing mask files.
    void extractionStarted();
    void extractionFinished(bool succeeded);
    /// "0000.bmp" was read anew; the tables are as they were.
    void backgroundChanged();
    /// A save or compilation wrote SHPI.DAT, which now holds the tables.
    void containerWritten();

private:
    friend class MoveObject;
    friend class ChangeDialField;
    friend class SetColourPoint;

    // The edits themselves, run by the commands' undo and redo.
    void applyObjectPosition(int index, QPoint position, EditRun run);
    void applyDialField(DialField field, int16_t value, EditRun run);
    /// The tables just read are what the file holds; @p background with them.
    void takeFileState(const QImage &background);
    /// SaveShpiData or CompileMasks.
    using ContainerWrite = Status (*)(const QString &, PrintTarget &, ShpiTables &, InPlace, const CancelToken &);
    /// Runs @p write on a copy of the tables under the dashboard's lock, after
    /// checking within that lock that SHPI.DAT is still the file they come
    /// from; when the write succeeded, the tables take the copy and the file
    /// holds them.
    Status writeContainer(PrintTarget &out, ContainerWrite write, WriteChoices choices, bool *changedOnDisk);
    /// Runs @p work through the operation runner.
    Status runOperation(PrintTarget &out, const OperationRunner::Work &work);

    QString m_directory;
    ShpiTables m_tables;
    QImage m_background;
    QUndoStack m_undoStack;
    bool m_replaying = false;
    int m_selected = -1;
    OperationRunner *m_runner = nullptr;
    bool m_runningOperation = false;
};

} // namespace tolvane
