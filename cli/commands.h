#pragma once

#include "store/safewrite.h"

#include <QStringList>

namespace tolvane {
class DashboardDocument;
class DashboardLock;
class Status;
struct ShpiTables;
}

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
    bool writes;             // takes --in-place
    int (*run)(const QStringList &arguments, InPlace inPlace);
};

/// The option that lets a command write a file in place where it cannot be
/// replaced whole.
inline const QString InPlaceOption = QStringLiteral("--in-place");

const QList<Command> &commands();

/// Writes "tolvane-cli: <message>" on stderr and returns @p code.
int fail(const QString &message, int code = Failed);

/// Success, or fail() with the status's message (for a write refused in place,
/// with the risk and the option that allows it); a note of a success goes to
/// stderr, escaped as fail() does.
int finish(const Status &status);

/// Takes @p directory's lock, which @p lock holds for the caller's whole
/// read-modify-write, then loads the dashboard into @p document without
/// printing the listing.
Status openForWriting(const QString &directory, DashboardLock &lock, DashboardDocument &document);

/// Loads @p directory's SHPI.DAT without printing the listing.
Status loadQuietly(const QString &directory, ShpiTables &tables);

/// "apply DIR FILE.json".
int apply(const QStringList &arguments, InPlace inPlace);

/// "check DIR [--json]".
int check(const QStringList &arguments, InPlace inPlace);

/// "render DIR OUT.png [--all] [--select INDEX] [--dials]".
int render(const QStringList &arguments, InPlace inPlace);

} // namespace tolvane::cli
