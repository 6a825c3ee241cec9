#pragma once

#include <QString>

namespace tolvane {

/// Where file operations print their progress and listings, one line per
/// print. The editor prints on the dashboard surface, tolvane-cli on stdout.
class PrintTarget
{
public:
    enum LineEnd { CloseLine, KeepLineOpen };

    virtual ~PrintTarget() = default;

    /// Prints @p item at the text position; a closed line moves the position
    /// to the start of the next line, an open one continues with the next print.
    virtual void print(const QString &item, LineEnd end = CloseLine) = 0;
    /// Closes the open line.
    void print() { print(QString(), CloseLine); }

    /// @p done of the container's @p count objects have been walked; for a
    /// progress display. Prints nothing.
    virtual void objectsDone(int /*done*/, int /*count*/) {}
};

/// Prints nothing: for a walk whose listing nobody reads.
class DiscardingPrinter final : public PrintTarget
{
public:
    using PrintTarget::print;
    void print(const QString &, LineEnd) override {}
};

} // namespace tolvane
