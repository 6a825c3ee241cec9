#pragma once

#include "printedtext.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testing_support {

struct ProgramRun
{
    int exitCode = -1; ///< -1 unless the program ended by itself
    QByteArray out;
    QByteArray err;
};

/// Starts @p program in @p process; whether it started. Under load wine at
/// times refuses to create a process ("Process failed to start: Internal
/// error"), so a refused start is tried again; a program that is missing or
/// cannot run is refused every time.
inline bool startProgram(QProcess &process, const QString &program, const QStringList &arguments)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        process.start(program, arguments);
        if (process.waitForStarted(-1))
            return true;
        qWarning("%s: %s", qPrintable(program), qPrintable(process.errorString()));
        if (process.error() != QProcess::FailedToStart)
            return false;
    }
    return false;
}

/// Runs @p program in @p process, whose environment and channels the caller
/// has set, to its end. A program that does not start, crashes or still runs
/// after a minute has no exit code, never the 0 QProcess reports for it, and
/// the test's log says what happened.
inline ProgramRun runToEnd(QProcess &process, const QString &program, const QStringList &arguments)
{
    const bool finished = startProgram(process, program, arguments) && process.waitForFinished(60000);
    ProgramRun run{-1, printedText(process.readAllStandardOutput()), printedText(process.readAllStandardError())};
    if (finished && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    else
        qWarning("%s %s did not end by itself: %s; it printed to stderr: %s", qPrintable(program),
                 qPrintable(arguments.join(QLatin1Char(' '))), qPrintable(process.errorString()), run.err.constData());
    return run;
}

inline ProgramRun runToEnd(const QString &program, const QStringList &arguments)
{
    QProcess process;
    return runToEnd(process, program, arguments);
}

} // namespace testing_support
