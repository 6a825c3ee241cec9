#include "window/editor/lockwait.h"

#include "store/dashboardlock.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace tolvane {

LockWait::LockWait(QWidget *parent)
    : QWidget(parent)
{
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lockWaitText"));
    m_text->setTextFormat(Qt::PlainText);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelLockWait"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    layout->addWidget(m_cancel);
    hide();
}

bool LockWait::acquire(DashboardLock &lock, Status *status)
{
    *status = lock.acquire(0);
    if (*status || !lock.heldElsewhere())
        return true;

    QEventLoop loop;
    bool cancelled = false;
    QTimer retry;
    retry.setInterval(RetryMs);
    connect(&retry, &QTimer::timeout, &loop, [&] {
        *status = lock.acquire(0);
        if (*status || !lock.heldElsewhere())
            loop.quit();
        else
            showHolder(lock);
    });
    connect(m_cancel, &QPushButton::clicked, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    showHolder(lock);
    show();
    m_waiting = true;
    Q_EMIT waitingChanged(true);
    retry.start();
    loop.exec();
    m_waiting = false;
    hide();
    Q_EMIT waitingChanged(false);
    return !cancelled;
}

void LockWait::showHolder(const DashboardLock &lock)
{
    m_text->setText(tr("Waiting for %1, which is writing this dashboard")
                        .arg(lock.holder().isEmpty() ? tr("another program") : lock.holder()));
}

} // namespace tolvane
