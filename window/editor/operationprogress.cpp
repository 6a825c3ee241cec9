#include "window/editor/operationprogress.h"

#include <QLayout>
#include <QProgressBar>

namespace tolvane {

namespace {

// Often enough to look continuous, seldom enough that a thousand small
// objects are not slowed by painting.
constexpr int RepaintInterval = 40;

} // namespace

OperationProgress::OperationProgress(std::unique_ptr<PrintTarget> lines, QProgressBar &bar)
    : m_lines(std::move(lines)), m_bar(bar)
{
}

OperationProgress::~OperationProgress()
{
    m_bar.hide();
}

void OperationProgress::print(const QString &item, LineEnd end)
{
    m_lines->print(item, end);
}

void OperationProgress::objectsDone(int done, int count)
{
    const bool first = m_bar.isHidden();
    if (first) {
        // As wide as its text at the end, in its own font, so that the text
        // never wraps or is cut, however many objects there are.
        const QString total = QString::number(count);
        const QString widest = m_bar.format()
                                   .replace(QLatin1String("%v"), total)
                                   .replace(QLatin1String("%m"), total)
                                   .replace(QLatin1String("%p"), QLatin1String("100"));
        const QFontMetrics metrics = m_bar.fontMetrics();
        m_bar.setFixedWidth(metrics.horizontalAdvance(widest) + 2 * metrics.height());
    }
    m_bar.setRange(0, count);
    m_bar.setValue(done);
    if (first) {
        m_bar.show();
        if (QWidget *statusBar = m_bar.parentWidget(); statusBar && statusBar->layout())
            statusBar->layout()->activate();
    } else if (m_sinceRepaint.isValid() && m_sinceRepaint.elapsed() < RepaintInterval) {
        return;
    }
    if (m_bar.isVisible())
        m_bar.repaint();
    m_sinceRepaint.start();
}

} // namespace tolvane
