// tolvane-cli: the dashboard operations of the editor, from the command line.

#include "commands.h"

#include "window/qtwarnings.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace tolvane::cli;

namespace {

QString usage()
{
    QString text = QStringLiteral("Usage: tolvane-cli COMMAND ARGUMENTS\n\nCommands:\n");
    for (const Command &c : commands())
        text += QStringLiteral("  %1 %2\n      %3\n").arg(QLatin1String(c.name), QLatin1String(c.arguments),
                                                         QLatin1String(c.description));
    return text + QStringLiteral("\n'tolvane-cli COMMAND --help' describes one command.\n");
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

int runCommand(const Command &command, QStringList args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(command.description));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("arguments"), QString::fromLatin1(command.arguments),
                                 QString::fromLatin1(command.arguments));
    // After DIR everything is a value, so that "move DIR 1 -5 -12" works.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QString program = QStringLiteral("tolvane-cli ") + QLatin1String(command.name);
    args[0] = program;
    if (!parser.parse(args))
        return fail(parser.errorText(), UsageError);
    if (parser.isSet(help)) {
        // The parser names the binary's path; the help names the command.
        QString text = parser.helpText();
        text.replace(QCoreApplication::arguments().constFirst(), program);
        std::fputs(qPrintable(text), stdout);
        return Success;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < command.minArguments ||
        (command.maxArguments >= 0 && positional.size() > command.maxArguments))
        return fail(QStringLiteral("usage: tolvane-cli %1 %2").arg(QLatin1String(command.name),
                                                                   QLatin1String(command.arguments)),
                    UsageError);
    return command.run(positional);
}

// What a command printed must have arrived: a listing cut short by a full
// disk is a failure, even of a command whose files were written.
int withOutputChecked(int code)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return code;
    const int error = errno;
    fail(QStringLiteral("standard output: cannot be written: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
    return code == Success ? Failed : code;
}

int dispatch(const Command *command, QStringList args)
{
    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")) {
        std::fputs(qPrintable(usage()), args.size() < 2 ? stderr : stdout);
        return args.size() < 2 ? UsageError : Success;
    }
    if (args[1] == QLatin1String("--version")) {
        std::printf("tolvane-cli %s\n", TOLVANE_VERSION);
        return Success;
    }
    if (!command)
        return fail(QStringLiteral("unknown command \"%1\"; 'tolvane-cli --help' lists them").arg(args[1]),
                    UsageError);
    args.removeAt(0);
    return runCommand(*command, args);
}

} // namespace

int main(int argc, char *argv[])
{
    const Command *command = argc > 1 ? findCommand(QString::fromLocal8Bit(argv[1])) : nullptr;

    tolvane::hideRuntimeDirectoryWarning();
    // Drawing text needs the GUI part of Qt; it runs without a screen.
    std::unique_ptr<QCoreApplication> app;
    if (command && command->drawsText) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));

    return withOutputChecked(dispatch(command, QCoreApplication::arguments()));
}
