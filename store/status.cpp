#include "status.h"

#include <QDir>

namespace tolvane {

Status Status::fileError(const QString &fileName, const QString &what)
{
    return Status(QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + what);
}

Status &Status::addNote(const QString &note)
{
    m_note = m_note.isEmpty() ? note : m_note + QLatin1Char('\n') + note;
    return *this;
}

} // namespace tolvane
