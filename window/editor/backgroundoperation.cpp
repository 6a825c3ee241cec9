#include "window/editor/backgroundoperation.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>

#include <utility>

namespace tolvane {

namespace {

/// Passes the worker's prints to the window's printer on the window's thread.
class QueuedPrinter final : public PrintTarget
{
public:
    QueuedPrinter(QObject &window, PrintTarget &out) : m_window(window), m_out(out) {}

    using PrintTarget::print;
    void print(const QString &item, LineEnd end) override
    {
        QMetaObject::invokeMethod(
            &m_window, [this, item, end] { m_out.print(item, end); }, Qt::QueuedConnection);
    }

    void objectsDone(int done, int count) override
    {
        // Waits while the window is behind, so that its queue never floods and
        // a cancel takes effect within a few objects of what it shows.
        m_ahead.acquire();
        QMetaObject::invokeMethod(
            &m_window,
            [this, done, count] {
                m_out.objectsDone(done, count);
                m_ahead.release();
            },
            Qt::QueuedConnection);
    }

private:
    QObject &m_window;
    PrintTarget &m_out;
    QSemaphore m_ahead{BackgroundOperation::ObjectsAhead};
};

class WorkerThread final : public QThread
{
public:
    explicit WorkerThread(std::function<void()> body) : m_body(std::move(body)) {}

protected:
    void run() override { m_body(); }

private:
    std::function<void()> m_body;
};

} // namespace

BackgroundOperation::BackgroundOperation(QWidget *parent) : QWidget(parent)
{
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelOperation"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_cancel);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelRequested = true; });
    hide();
}

Status BackgroundOperation::run(PrintTarget &out, const Work &work)
{
    m_cancelRequested = false;
    const CancelToken cancel(m_cancelRequested);
    QueuedPrinter printer(*this, out);
    Status status = Status::success();
    WorkerThread worker([&] { status = work(printer, cancel); });
    QEventLoop loop;
    // Queued from the worker, after every print it made.
    connect(&worker, &QThread::finished, &loop, &QEventLoop::quit);
    setRunning(true);
    worker.start();
    loop.exec();
    worker.wait();
    setRunning(false);
    return status;
}

void BackgroundOperation::setRunning(bool running)
{
    m_running = running;
    setVisible(running);
    Q_EMIT runningChanged(running);
}

} // namespace tolvane
