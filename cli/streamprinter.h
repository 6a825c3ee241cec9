#pragma once

#include "store/printtarget.h"

#include <cstdio>

namespace tolvane::cli {

/// Prints progress and listings on a stream, one text line per print.
class StreamPrinter : public PrintTarget
{
public:
    explicit StreamPrinter(FILE *stream) : m_stream(stream) {}
    using PrintTarget::Print;

    void Print(const QString &item, LineEnd end) override
    {
        const QByteArray bytes = item.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
        if (end == CloseLine)
            std::fputc('\n', m_stream);
    }

private:
    FILE *m_stream;
};

} // namespace tolvane::cli
