#pragma once

#include "store/status.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace tolvane {

class DashboardLock;

/// The editor's wait for a dashboard that another program is writing, shown
/// in the status bar: it names that program and offers Cancel. The lock is
/// tried again from the event loop, so the window goes on painting meanwhile.
class LockWait : public QWidget
{
    Q_OBJECT

public:
    explicit LockWait(QWidget *parent = nullptr);

    /// How often the lock is tried again while another program holds it.
    static constexpr int RetryMs = 100;

    /// Takes @p lock, waiting while another program holds it. False when the
    /// user cancelled the wait; otherwise @p status says whether it was taken.
    bool acquire(DashboardLock &lock, Status *status);
    bool isWaiting() const { return m_waiting; }

Q_SIGNALS:
    /// The wait began or ended: nothing but Cancel should be used meanwhile.
    void waitingChanged(bool waiting);

private:
    void showHolder(const DashboardLock &lock);

    QLabel *m_text = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_waiting = false;
};

} // namespace tolvane
