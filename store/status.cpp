#include "status.h"

#include <QDir>

namespace tolvane {

Status Status::fileError(const QString &fileName, const QString &what)
{
    return Status(QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + what);
}

Status Status::inPlaceRefused(const QString &fileName, const QString &why)
{
    Status refused = fileError(fileName, QStringLiteral("can only be written in place: %1").arg(why));
    refused.m_inPlaceFile = QDir::toNativeSeparators(fileName);
    return refused;
}

Status Status::cancelled(const QString &fileName)
{
    Status stopped = fileError(fileName, QStringLiteral("the operation was cancelled; nothing was written"));
    stopped.m_cancelled = true;
    return stopped;
}

Status &Status::addNote(const QString &note)
{
    m_note = m_note.isEmpty() ? note : m_note + QLatin1Char('\n') + note;
    return *this;
}

} // namespace tolvane
