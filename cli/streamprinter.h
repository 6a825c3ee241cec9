#pragma once

#include "store/printtarget.h"

#include <cstdio>

namespace tolvane::cli {

/// @p text with every control character as \xNN, so that a name read from
/// a file can neither end a line nor send the terminal a command.
inline QString printable(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

/// Prints progress and listings on a stream, one text line per print.
class StreamPrinter : public PrintTarget
{
public:
    explicit StreamPrinter(FILE *stream) : m_stream(stream) {}
    using PrintTarget::print;

    void print(const QString &item, LineEnd end) override
    {
        const QByteArray bytes = printable(item).toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
        if (end == CloseLine)
            std::fputc('\n', m_stream);
    }

private:
    FILE *m_stream;
};

} // namespace tolvane::cli
