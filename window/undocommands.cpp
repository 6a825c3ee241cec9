#include "window/undocommands.h"

#include "store/listing.h"
#include "window/form1.h"

#include <QCoreApplication>

namespace tolvane {

namespace {

QString objectName(const Form1 &form, int index)
{
    const auto &directory = form.tables.objects.directory;
    return index >= 0 && index < int(directory.size()) ? nameText(directory[size_t(index)].Name) : QString();
}

} // namespace

void RecordedEdit::redo()
{
    if (!m_pushed) {
        m_pushed = true;
        return;
    }
    apply(true);
}

MoveObject::MoveObject(Form1 &form, int index, QPoint from, QPoint to, int nudgeRun)
    : RecordedEdit(QCoreApplication::translate("tolvane::UndoCommands", "Move %1").arg(objectName(form, index)))
    , m_form(form)
    , m_index(index)
    , m_from(from)
    , m_to(to)
    , m_nudgeRun(nudgeRun)
{
    setObsolete(m_from == m_to);
}

bool MoveObject::mergeWith(const QUndoCommand *other)
{
    const auto *move = static_cast<const MoveObject *>(other);
    if (move->m_index != m_index || move->m_nudgeRun != m_nudgeRun)
        return false;
    m_to = move->m_to;
    // A run that came back to where it started leaves nothing to undo.
    setObsolete(m_from == m_to);
    return true;
}

void MoveObject::apply(bool after)
{
    const QPoint at = after ? m_to : m_from;
    m_form.setObjectPosition(m_index, int16_t(at.x()), int16_t(at.y()));
}

ChangeDialField::ChangeDialField(Form1 &form, int box, int16_t from, int16_t to, int typingRun)
    : RecordedEdit(QCoreApplication::translate("tolvane::UndoCommands", "Change %1")
                       .arg(QLatin1String(DialFields.at(size_t(box)).name)))
    , m_form(form)
    , m_box(box)
    , m_from(from)
    , m_to(to)
    , m_typingRun(typingRun)
{
    setObsolete(m_from == m_to);
}

bool ChangeDialField::mergeWith(const QUndoCommand *other)
{
    const auto *change = static_cast<const ChangeDialField *>(other);
    if (change->m_box != m_box || change->m_typingRun != m_typingRun)
        return false;
    m_to = change->m_to;
    setObsolete(m_from == m_to);
    return true;
}

void ChangeDialField::apply(bool after)
{
    m_form.setDialField(m_box, after ? m_to : m_from);
}

PickDialColour::PickDialColour(Form1 &form, QPoint from, QPoint to)
    : RecordedEdit(QCoreApplication::translate("tolvane::UndoCommands", "Pick Needle Colour"))
    , m_form(form)
    , m_from(from)
    , m_to(to)
{
    setObsolete(m_from == m_to);
}

void PickDialColour::apply(bool after)
{
    const QPoint at = after ? m_to : m_from;
    m_form.setDialColourPoint(int16_t(at.x()), int16_t(at.y()));
}

} // namespace tolvane
