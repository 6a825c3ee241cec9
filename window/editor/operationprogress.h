#pragma once

#include "store/printtarget.h"

#include <QElapsedTimer>

#include <memory>

class QProgressBar;

namespace tolvane {

/// The printer of one file operation in the editor: the lines go to the
/// dashboard as before, the objects walked to a progress bar in the status
/// bar, shown from the first object until this printer goes. The bar is
/// laid out and painted here, at a pace that does not slow many small objects.
class OperationProgress final : public PrintTarget
{
public:
    OperationProgress(std::unique_ptr<PrintTarget> lines, QProgressBar &bar);
    ~OperationProgress() override;

    using PrintTarget::print;
    void print(const QString &item, LineEnd end = CloseLine) override;
    void objectsDone(int done, int count) override;

private:
    std::unique_ptr<PrintTarget> m_lines;
    QProgressBar &m_bar;
    QElapsedTimer m_sinceRepaint;
};

} // namespace tolvane
