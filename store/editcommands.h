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

/// An edit of the document. The first redo makes it; later undos and redos
/// replay it, which the document reports so that the views bring it into sight.
class DocumentEdit : public QUndoCommand
{
public:
    void undo() final { apply(false, true); }
    void redo() final;

protected:
    DocumentEdit(DashboardDocument &document, const QString &text);

    /// Brings the tables to the state after the edit (@p after) or before it.
    virtual void apply(bool after, bool replay) = 0;

    DashboardDocument &m_document;

private:
    bool m_made = false;
};

/// A move of one object: a drag, or a run of arrow-key nudges on the same
/// object, which merge into one step.
class MoveObject : public DocumentEdit
{
public:
    /// @p mergeRun is the run of nudges, -1 for a move of its own.
    MoveObject(DashboardDocument &document, int index, QPoint from, QPoint to, int mergeRun);

    int id() const override { return m_mergeRun < 0 ? -1 : CmdNudgeObject; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    void apply(bool after, bool replay) override;

    const int m_index;
    const QPoint m_from;
    QPoint m_to;
    const int m_mergeRun;
};

/// A change of one dial field. The changes typed into one box merge into one
/// step until focus leaves the box, which starts a new run.
class ChangeDialField : public DocumentEdit
{
public:
    ChangeDialField(DashboardDocument &document, DialField field, int16_t from, int16_t to, int mergeRun);

    int id() const override { return m_mergeRun < 0 ? -1 : CmdChangeDialField; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    void apply(bool after, bool replay) override;

    const DialField m_field;
    const int16_t m_from;
    int16_t m_to;
    const int m_mergeRun;
};

/// A colour pick: the needle colour's sample point (ColourX, ColourY).
class SetColourPoint : public DocumentEdit
{
public:
    SetColourPoint(DashboardDocument &document, QPoint from, QPoint to);

private:
    void apply(bool after, bool replay) override;

    const QPoint m_from;
    const QPoint m_to;
};

} // namespace tolvane
