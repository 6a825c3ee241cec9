#pragma once

#include "store/records.h"

#include <QPoint>
#include <QUndoCommand>

namespace tolvane {

class DashboardDocument;

/// The ids by which the undo stack merges a command into the one before it.
/// Commands without an id (-1) never merge: a drag and a colour pick are one
/// step each.
enum EditCommandId {
    CmdNudgeObject = 1,
    CmdChangeDialField,
};

/// The tables an edit brings about: as they were before it, or after it.
enum class EditState { Before, After };
/// Whether an edit is made for the first time or replayed by undo or redo.
enum class EditRun { First, Replay };

/// An edit of the document. The first redo makes it; later undos and redos
/// replay it, which the document reports so that the views bring it into sight.
class DocumentEdit : public QUndoCommand
{
public:
    void undo() final { apply(EditState::Before, EditRun::Replay); }
    void redo() final;

protected:
    DocumentEdit(DashboardDocument &document, const QString &text);

    /// Brings the tables to @p state.
    virtual void apply(EditState state, EditRun run) = 0;

    DashboardDocument &m_document;

private:
    bool m_made = false;
};

/// An edit of the value at @p Key from one value to another. Edits of the
/// same key in the same run (not -1) merge into one step; a run that comes
/// back to where it started leaves no step.
template<typename Key, typename Value>
class ValueEdit : public DocumentEdit
{
public:
    int id() const override { return m_mergeRun < 0 ? -1 : m_id; }

    bool mergeWith(const QUndoCommand *other) override
    {
        // The same id: the same kind of edit.
        const auto *edit = static_cast<const ValueEdit *>(other);
        if (edit->m_key != m_key || edit->m_mergeRun != m_mergeRun)
            return false;
        m_to = edit->m_to;
        setObsolete(m_from == m_to);
        return true;
    }

protected:
    ValueEdit(DashboardDocument &document, const QString &text, EditCommandId id, Key key, Value from, Value to,
              int mergeRun)
        : DocumentEdit(document, text), m_id(id), m_key(key), m_from(from), m_to(to), m_mergeRun(mergeRun)
    {
        setObsolete(m_from == m_to);
    }

    void apply(EditState state, EditRun run) final { set(m_key, state == EditState::After ? m_to : m_from, run); }
    virtual void set(Key key, Value value, EditRun run) = 0;

private:
    const EditCommandId m_id;
    const Key m_key;
    const Value m_from;
    Value m_to;
    const int m_mergeRun;
};

/// A move of one object: a drag, or a run of arrow-key nudges on the same
/// object, which merge into one step.
class MoveObject : public ValueEdit<int, QPoint>
{
public:
    /// @p mergeRun is the run of nudges, -1 for a move of its own.
    MoveObject(DashboardDocument &document, int index, QPoint from, QPoint to, int mergeRun);

private:
    void set(int index, QPoint position, EditRun run) override;
};

/// A change of one dial field. The changes typed into one box merge into one
/// step until focus leaves the box, which starts a new run.
class ChangeDialField : public ValueEdit<DialField, int16_t>
{
public:
    ChangeDialField(DashboardDocument &document, DialField field, int16_t from, int16_t to, int mergeRun);

private:
    void set(DialField field, int16_t value, EditRun run) override;
};

/// A colour pick: the needle colour's sample point (ColourX, ColourY).
class SetColourPoint : public DocumentEdit
{
public:
    SetColourPoint(DashboardDocument &document, QPoint from, QPoint to);

private:
    void apply(EditState state, EditRun run) override;

    const QPoint m_from;
    const QPoint m_to;
};

} // namespace tolvane
