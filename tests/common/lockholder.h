#pragma once

// Another process holding a dashboard's lock, taken as Tolvane takes it,
// until it is released or killed.

#include "programrun.h"

#include <QFileInfo>
#include <QProcess>

namespace testing_support {

class LockHolder
{
public:
    explicit LockHolder(const QString &directory)
    {
        // Waits for its word, not for a while: "held" comes once the lock is.
        if (startProgram(m_process, QStringLiteral(TOLVANE_LOCKHOLDER), {directory}))
            while (m_process.waitForReadyRead(-1) && !m_process.canReadLine()) {
            }
        // Windows ends the line with "\r\n".
        m_held = m_process.readLine().trimmed() == "held";
    }
    ~LockHolder() { release(); }

    bool held() const { return m_held; }
    qint64 pid() const { return m_process.processId(); }
    /// The name the system gives the holder, as a waiting program shows it.
    static QString program() { return QFileInfo(QStringLiteral(TOLVANE_LOCKHOLDER)).completeBaseName(); }

    /// Lets go of the lock and waits for the process to end.
    void release()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished(-1);
    }
    /// Ends the process while it holds the lock.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(-1);
    }

private:
    QProcess m_process;
    bool m_held = false;
};

} // namespace testing_support
