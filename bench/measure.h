#pragma once

#include <QStringList>

#include <functional>
#include <vector>

namespace tolvane::bench {

struct ProcessRun
{
    double seconds = 0;
    long peakKiB = 0; // peak resident memory of the child
    int exitCode = -1;
};

/// Runs @p program with @p arguments to completion, timing it from spawn to
/// exit and reading its peak resident memory; stdout and stderr are dropped.
ProcessRun runProcess(const QString &program, const QStringList &arguments);

double median(std::vector<double> values);

/// Median wall time in seconds of @p runs calls of @p work; @p prepare runs
/// untimed before each.
double medianTime(int runs, const std::function<void()> &work, const std::function<void()> &prepare = {});

} // namespace tolvane::bench
