#include "document/editcommands.h"

#include "document/dashboarddocument.h"
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
    apply(EditState::After, m_made ? EditRun::Replay : EditRun::First);
    m_made = true;
}

MoveObject::MoveObject(DashboardDocument &document, int index, QPoint from, QPoint to, int mergeRun)
    : ValueEdit(document, commandText("Move %1").arg(objectName(document, index)), CmdNudgeObject, index, from, to,
                mergeRun)
{
}

void MoveObject::set(int index, QPoint position, EditRun run)
{
    m_document.applyObjectPosition(index, position, run);
}

ChangeDialField::ChangeDialField(DashboardDocument &document, DialField field, int16_t from, int16_t to,
                                 int mergeRun)
    : ValueEdit(document, commandText("Change %1").arg(fieldName(field)), CmdChangeDialField, field, from, to,
                mergeRun)
{
}

void ChangeDialField::set(DialField field, int16_t value, EditRun run)
{
    m_document.applyDialField(field, value, run);
}

SetColourPoint::SetColourPoint(DashboardDocument &document, QPoint from, QPoint to)
    : DocumentEdit(document, commandText("Pick Needle Colour"))
    , m_from(from)
    , m_to(to)
{
    setObsolete(m_from == m_to);
}

void SetColourPoint::apply(EditState state, EditRun run)
{
    const QPoint at = state == EditState::After ? m_to : m_from;
    m_document.applyDialField(DialField::ColourX, int16_t(at.x()), run);
    m_document.applyDialField(DialField::ColourY, int16_t(at.y()), run);
}

} // namespace tolvane
