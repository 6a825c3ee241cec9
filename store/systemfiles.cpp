#include "systemfiles.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <cstring>

// What the file layer does alike on every system.

namespace tolvane::system_files {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString notRegularFileReason(const QString &path, const QString &otherwise)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the file does not exist");
    if (info.isDir())
        return QStringLiteral("is a directory");
    return info.isFile() ? otherwise : QStringLiteral("is not a regular file");
}

QString randomFileNameSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return suffix;
}

bool DirectoryLock::lock(int waitMs, QString *reason)
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        switch (tryLock(reason)) {
        case Attempt::Held:
            return true;
        case Attempt::Failed:
            return false;
        case Attempt::Busy:
            break;
        }
        if (deadline.hasExpired()) {
            reason->clear();
            return false;
        }
        QThread::msleep(20);
    }
}

} // namespace tolvane::system_files
