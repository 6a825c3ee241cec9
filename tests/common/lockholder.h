#pragma once

// Another process holding a dashboard's lock, taken as Tolvane takes it,
// until it is released or killed.

#include "store/dashboardlock.h"

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

class LockHolder
{
public:
    explicit LockHolder(const QString &directory)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            {
                tolvane::DashboardLock lock(directory);
                char byte = 0;
                if (!lock.acquire(0) || ::write(ready[1], "x", 1) != 1)
                    ::_exit(1);
                // Held until the other end is closed.
                ::close(m_release[1]);
                (void)!::read(m_release[0], &byte, 1);
            }
            ::_exit(0);
        }
        char byte = 0;
        m_held = m_pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        ::close(ready[1]);
        ::close(m_release[0]);
    }
    ~LockHolder() { release(); }

    bool held() const { return m_held; }
    pid_t pid() const { return m_pid; }

    /// Lets go of the lock and waits for the process to end.
    void release() { end(0); }
    /// Ends the process while it holds the lock.
    void kill() { end(SIGKILL); }

private:
    void end(int signal)
    {
        if (m_pid <= 0)
            return;
        if (signal)
            ::kill(m_pid, signal);
        ::close(m_release[1]);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    int m_release[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_held = false;
};

} // namespace testing_support
