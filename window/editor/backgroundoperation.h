#pragma once

#include "document/operationrunner.h"

#include <QWidget>

#include <atomic>

class QPushButton;

namespace tolvane {

/// Runs the document's file operations on a worker thread, offering Cancel in
/// the status bar meanwhile. run() returns when the work has finished, its
/// caller waiting in an event loop of its own (as a modal dialog does), so
/// the window goes on painting and answering. The lines the work prints reach
/// the window's printer queued, in order, and the work keeps at most
/// ObjectsAhead objects ahead of what the window has shown.
class BackgroundOperation : public QWidget, public OperationRunner
{
    Q_OBJECT

public:
    explicit BackgroundOperation(QWidget *parent = nullptr);

    static constexpr int ObjectsAhead = 2;

    Status run(PrintTarget &out, const Work &work) override;
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    /// An operation began or ended: the commands that would conflict with it
    /// are not to be used meanwhile.
    void runningChanged(bool running);

private:
    void setRunning(bool running);

    QPushButton *m_cancel = nullptr;
    std::atomic_bool m_cancelRequested{false};
    bool m_running = false;
};

} // namespace tolvane
