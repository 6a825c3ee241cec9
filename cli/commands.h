#pragma once

#include <QStringList>

namespace tolvane::cli {

enum ExitCode { Success = 0, Failed = 1, UsageError = 2 };

struct Command
{
    const char *name;
    const char *arguments;   // synopsis of the positional arguments
    const char *description;
    int minArguments;
    int maxArguments;        // -1: no limit
    bool drawsText;          // needs a QGuiApplication with fonts
    int (*run)(const QStringList &arguments);
};

const QList<Command> &commands();

/// Writes "tolvane-cli: <message>" on stderr and returns @p code.
int fail(const QString &message, int code = Failed);

} // namespace tolvane::cli
