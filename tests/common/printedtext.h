#pragma once

#include <QByteArray>

namespace testing_support {

/// What a program printed, its lines ended by "\n" as the tests expect them:
/// on Windows a program's text output ends its lines with "\r\n".
inline QByteArray printedText(QByteArray bytes)
{
#ifdef Q_OS_WIN
    bytes.replace("\r\n", "\n");
#endif
    return bytes;
}

} // namespace testing_support
