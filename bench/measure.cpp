#include "measure.h"

#include <QElapsedTimer>

#include <algorithm>

#ifdef Q_OS_WIN
#include <QDir>
#include <windows.h>
#include <psapi.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

namespace tolvane::bench {

#ifdef Q_OS_WIN

namespace {

QString quotedArgument(const QString &argument)
{
    if (!argument.isEmpty() && !argument.contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('"')))
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

ProcessRun runProcess(const QString &program, const QStringList &arguments)
{
    QString commandLine = quotedArgument(QDir::toNativeSeparators(program));
    for (const QString &a : arguments)
        commandLine += QLatin1Char(' ') + quotedArgument(a);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};

    ProcessRun run;
    QElapsedTimer timer;
    timer.start();
    std::wstring line = commandLine.toStdWString();
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        run.seconds = timer.nsecsElapsed() / 1e9;
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
            run.peakKiB = long(memory.PeakWorkingSetSize / 1024);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            run.exitCode = int(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(nul);
    return run;
}

#else

ProcessRun runProcess(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString &a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    ProcessRun run;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.seconds = timer.nsecsElapsed() / 1e9;
        run.peakKiB = usage.ru_maxrss;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

#endif

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double medianTime(int runs, const std::function<void()> &work, const std::function<void()> &prepare)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    return median(times);
}

} // namespace tolvane::bench
