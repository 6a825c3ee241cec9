#pragma once

#include "store/printtarget.h"

#include <QStringList>

namespace testing_support {

/// Keeps printed lines as a list; an open line is the last entry.
class RecordingPrinter : public tolvane::PrintTarget
{
public:
    using PrintTarget::print;
    void print(const QString &item, LineEnd end) override
    {
        if (!m_open)
            lines.append(QString());
        lines.last() += item;
        m_open = end == KeepLineOpen;
    }

    QStringList lines;

private:
    bool m_open = false;
};

} // namespace testing_support
