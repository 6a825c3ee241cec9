// tolvane-cli: the dashboard operations of the editor, from the command line.

#include "commands.h"

#include "pictures/qtwarnings.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace tolvane::cli;
using tolvane::InPlace;

namespace {

const QString InPlaceHelp = QStringLiteral(
    "where a file cannot be replaced whole (its directory takes no new file, or a new file could not keep its "
    "owner, group, permissions or extended attributes), write over it in place; a crash or a full disk in the "
    "middle of that write can leave it damaged");

QString usage()
{
    QString text = QStringLiteral("Usage: tolvane-cli COMMAND ARGUMENTS\n\nCommands:\n");
    for (const Command &c : commands())
        text += QStringLiteral("  %1 %2\n      %3\n").arg(QLatin1String(c.name), QLatin1String(c.arguments),
                                                         QLatin1String(c.description));
    return text + QStringLiteral("\nThe commands that write files take %1 (anywhere in the line): %2.\n\n"
                                 "'tolvane-cli COMMAND --help' describes one command.\n")
                      .arg(InPlaceOption, InPlaceHelp);
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

int runCommand(const Command &command, QStringList args, InPlace inPlace)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(command.description));
    const QCommandLineOption help = parser.addHelpOption();
    // Taken out of the arguments before; named here for the help.
    if (command.writes)
        parser.addOption({InPlaceOption.mid(2), InPlaceHelp});
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
    return command.run(positional, inPlace);
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
    const bool inPlace = args.removeAll(InPlaceOption) > 0;
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
    if (inPlace && !command->writes)
        return fail(QStringLiteral("%1 goes only with the commands that write files").arg(InPlaceOption), UsageError);
    args.removeAt(0);
    return runCommand(*command, args, inPlace ? InPlace::Allowed : InPlace::Refused);
}

} // namespace

int main(int argc, char *argv[])
{
    // The command is the first argument that is not the one global option.
    int commandAt = 1;
    while (commandAt < argc && QString::fromLocal8Bit(argv[commandAt]) == InPlaceOption)
        ++commandAt;
    const Command *command = commandAt < argc ? findCommand(QString::fromLocal8Bit(argv[commandAt])) : nullptr;

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
