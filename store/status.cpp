#include "status.h"

#include <QDir>

namespace tolvane {

Status Status::fileError(const QString &fileName, const QString &what)
{
    return Status(QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + what);
}

} // namespace tolvane
