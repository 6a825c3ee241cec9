#pragma once

#include <QPoint>
#include <QUndoCommand>

namespace tolvane {

class Form1;

/// The ids by which the undo stack merges a command into the one before it.
/// Commands without an id (-1) never merge: a drag and a colour pick are one
/// step each.
enum UndoCommandId {
    CmdNudgeObject = 1,
    CmdChangeDialField,
};

/// An edit the window has already made on screen when it is recorded. The
/// stack runs redo() on push; that first redo does nothing, so the edit is
/// not made twice. Later redos and undos apply the recorded values.
class RecordedEdit : public QUndoCommand
{
public:
    void undo() final { apply(false); }
    void redo() final;

protected:
    explicit RecordedEdit(const QString &text) { setText(text); }

    /// Brings the tables and the display to the state after the edit
    /// (@p after) or before it.
    virtual void apply(bool after) = 0;

private:
    bool m_pushed = false;
};

/// A move of one object: a drag, or a run of arrow-key nudges on the same
/// object. Nudges of one run merge into one step.
class MoveObject : public RecordedEdit
{
public:
    /// @p nudgeRun is the window's edit run for a nudge, -1 for a drag.
    MoveObject(Form1 &form, int index, QPoint from, QPoint to, int nudgeRun = -1);

    int id() const override { return m_nudgeRun < 0 ? -1 : CmdNudgeObject; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    void apply(bool after) override;

    Form1 &m_form;
    const int m_index;
    const QPoint m_from;
    QPoint m_to;
    const int m_nudgeRun;
};

/// A change of one dial box's value. The changes typed into one box merge
/// into one step until focus leaves the box, which starts a new edit run.
class ChangeDialField : public RecordedEdit
{
public:
    ChangeDialField(Form1 &form, int box, int16_t from, int16_t to, int typingRun);

    int id() const override { return CmdChangeDialField; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    void apply(bool after) override;

    Form1 &m_form;
    const int m_box;
    const int16_t m_from;
    int16_t m_to;
    const int m_typingRun;
};

/// A colour pick: the dial colour's sample point (ColourX, ColourY).
class PickDialColour : public RecordedEdit
{
public:
    PickDialColour(Form1 &form, QPoint from, QPoint to);

private:
    void apply(bool after) override;

    Form1 &m_form;
    const QPoint m_from;
    const QPoint m_to;
};

} // namespace tolvane
