#include "store/editcommands.h"

#include "store/dashboarddocument.h"
#include "store/listing.h"

#include <QCoreApplication>

#include <algorithm>

namespace tolvane {

namespace {

QString objectName(const DashboardDocument &document, int index)
{
    const auto &directory = document.tables().objects.directory;
    return index >= 0 && index < int(directory.size()) ? nameText(directory[size_t(index)].Name) : QString();
}

QString fieldName(DialField field)
{
    const auto found = std::find_if(DialFields.begin(), DialFields.end(),
                                    [field](const DialFieldInfo &info) { return info.field == field; });
    return found == DialFields.end() ? QString() : QLatin1String(found->name);
}

QString commandText(const char *text)
{
    return QCoreApplication::translate("tolvane::EditCommands", text);
}

} // namespace

DocumentEdit::DocumentEdit(DashboardDocument &document, const QString &text)
    : m_document(document)
{
    setText(text);
}

void DocumentEdit::redo()
{
    apply(true, m_made);
    m_made = true;
}

MoveObject::MoveObject(DashboardDocument &document, int index, QPoint from, QPoint to, int mergeRun)
    : DocumentEdit(document, commandText("Move %1").arg(objectName(document, index)))
    , m_index(index)
    , m_from(from)
    , m_to(to)
    , m_mergeRun(mergeRun)
{
    setObsolete(m_from == m_to);
}

bool MoveObject::mergeWith(const QUndoCommand *other)
{
    const auto *move = static_cast<const MoveObject *>(other);
    if (move->m_index != m_index || move->m_mergeRun != m_mergeRun)
        return false;
    m_to = move->m_to;
    // A run that came back to where it started leaves nothing to undo.
    setObsolete(m_from == m_to);
    return true;
}

void MoveObject::apply(bool after, bool replay)
{
    m_document.applyObjectPosition(m_index, after ? m_to : m_from, replay);
}

ChangeDialField::ChangeDialField(DashboardDocument &document, DialField field, int16_t from, int16_t to,
                                 int mergeRun)
    : DocumentEdit(document, commandText("Change %1").arg(fieldName(field)))
    , m_field(field)
    , m_from(from)
    , m_to(to)
    , m_mergeRun(mergeRun)
{
    setObsolete(m_from == m_to);
}

bool ChangeDialField::mergeWith(const QUndoCommand *other)
{
    const auto *change = static_cast<const ChangeDialField *>(other);
    if (change->m_field != m_field || change->m_mergeRun != m_mergeRun)
        return false;
    m_to = change->m_to;
    setObsolete(m_from == m_to);
    return true;
}

void ChangeDialField::apply(bool after, bool replay)
{
    m_document.applyDialField(m_field, after ? m_to : m_from, replay);
}

SetColourPoint::SetColourPoint(DashboardDocument &document, QPoint from, QPoint to)
    : DocumentEdit(document, commandText("Pick Needle Colour"))
    , m_from(from)
    , m_to(to)
{
    setObsolete(m_from == m_to);
}

void SetColourPoint::apply(bool after, bool replay)
{
    const QPoint at = after ? m_to : m_from;
    m_document.applyDialField(DialField::ColourX, int16_t(at.x()), replay);
    m_document.applyDialField(DialField::ColourY, int16_t(at.y()), replay);
}

} // namespace tolvane
