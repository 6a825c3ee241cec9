#include "commands.h"
#include "dumpjson.h"
#include "streamprinter.h"

#include "demo/demodashboard.h"
#include "document/dashboarddocument.h"
#include "masks/extractmasks.h"
#include "store/dashboardlock.h"
#include "store/loadshpi.h"

#include <cstdio>

namespace tolvane::cli {

int fail(const QString &message, int code)
{
    std::fflush(stdout);
    std::fprintf(stderr, "tolvane-cli: %s\n", qPrintable(printable(message)));
    return code;
}

int finish(const Status &status)
{
    if (!status.inPlaceFile().isEmpty())
        return fail(status.message() + QStringLiteral("; a crash or a full disk in the middle of that write could "
                                                      "leave it damaged, so nothing was written (%1 allows it)")
                                           .arg(InPlaceOption));
    if (!status)
        return fail(status.message());
    if (!status.note().isEmpty()) {
        for (const QString &line : status.note().split(QLatin1Char('\n')))
            std::fprintf(stderr, "tolvane-cli: %s\n", qPrintable(printable(line)));
    }
    return Success;
}

Status openForWriting(const QString &directory, DashboardLock &lock, DashboardDocument &document)
{
    if (Status s = lock.acquire(); !s)
        return s;
    DiscardingPrinter silent;
    return document.load(directory, silent, DashboardDocument::ContainerOnly);
}

// Loads DIR silently: the commands that change a dashboard print only what
// their own walk prints.
Status loadQuietly(const QString &directory, ShpiTables &tables)
{
    DiscardingPrinter silent;
    return LoadShpi(directory, silent, tables);
}

namespace {

// Opens DIR's container silently for an edit through the document, as the
// editor makes it.

bool parseInt16(const QString &text, int16_t *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || !fitsInt16(v))
        return false;
    *value = int16_t(v);
    return true;
}


int list(const QStringList &args, InPlace)
{
    ShpiTables tables;
    StreamPrinter out(stdout);
    return finish(LoadShpi(args[0], out, tables));
}

int dump(const QStringList &args, InPlace)
{
    ShpiTables tables;
    if (Status s = loadQuietly(args[0], tables); !s)
        return fail(s.message());
    const QByteArray json = dumpJson(tables);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return Success;
}

int move(const QStringList &args, InPlace inPlace)
{
    bool indexOk = false;
    const int index = args[1].toInt(&indexOk);
    int16_t x = 0, y = 0;
    if (!indexOk || index < 0)
        return fail(QStringLiteral("INDEX must be an object index counted from 0, not \"%1\"").arg(args[1]), UsageError);
    if (!parseInt16(args[2], &x) || !parseInt16(args[3], &y))
        return fail(QStringLiteral("X and Y must be integers from -32768 to 32767"), UsageError);

    // Held from the read to the rename, so that another program's write
    // between the two cannot be undone by this one.
    DashboardLock lock(args[0]);
    DashboardDocument document;
    if (Status s = openForWriting(args[0], lock, document); !s)
        return fail(s.message());
    const int count = document.tables().objects.count();
    if (index >= count)
        return fail(QStringLiteral("INDEX %1 is out of range: the dashboard has %2 objects")
                        .arg(index).arg(count), UsageError);
    document.moveObject(index, QPoint(x, y));
    StreamPrinter out(stdout);
    return finish(document.save(out, {DashboardDocument::ChangedContainer::Refuse, inPlace}));
}

int setDial(const QStringList &args, InPlace inPlace)
{
    QList<QPair<DialField, int16_t>> changes;
    for (const QString &assignment : args.mid(1)) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        DialField field;
        int16_t value = 0;
        if (eq < 0 || !dialFieldByName(assignment.left(eq), &field))
            return fail(QStringLiteral("\"%1\" does not name a dial field as FIELD=VALUE").arg(assignment), UsageError);
        if (!parseInt16(assignment.mid(eq + 1), &value))
            return fail(QStringLiteral("the value in \"%1\" is not an integer from -32768 to 32767").arg(assignment),
                        UsageError);
        changes.append({field, value});
    }

    DashboardLock lock(args[0]);
    DashboardDocument document;
    if (Status s = openForWriting(args[0], lock, document); !s)
        return fail(s.message());
    if (!document.tables().hasDialRecord)
        return fail(QStringLiteral("%1: no chunk is named \"0000\", so the container holds no dial record").arg(args[0]));
    for (const auto &[field, value] : changes)
        document.setDialField(field, value);
    StreamPrinter out(stdout);
    return finish(document.save(out, {DashboardDocument::ChangedContainer::Refuse, inPlace}));
}

int extract(const QStringList &args, InPlace inPlace)
{
    ShpiTables tables;
    StreamPrinter out(stdout);
    return finish(ExtractMasks(args[0], out, tables, inPlace));
}

int compile(const QStringList &args, InPlace inPlace)
{
    DashboardLock lock(args[0]);
    DashboardDocument document;
    if (Status s = openForWriting(args[0], lock, document); !s)
        return fail(s.message());
    StreamPrinter out(stdout);
    return finish(document.compileMasks(out, {DashboardDocument::ChangedContainer::Refuse, inPlace}));
}

int demo(const QStringList &args, InPlace)
{
    return finish(writeDemoDashboard(args[0]));
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> all = {
        {"list", "DIR", "Loads DIR's SHPI.DAT and prints the listing.", 1, 1, false, false, list},
        {"dump", "DIR", "Loads DIR's SHPI.DAT and prints its tables as JSON.", 1, 1, false, false, dump},
        {"move", "DIR INDEX X Y", "Sets the position of object INDEX (from 0) and saves.", 4, 4, false, true, move},
        {"set-dial", "DIR FIELD=VALUE...", "Sets dial fields by name and saves.", 2, -1, false, true, setDial},
        {"apply", "DIR FILE.json",
         "Writes the positions and dial fields of FILE.json, as dump writes it, into DIR's SHPI.DAT. The "
         "objects' count, names, sizes and centres must match; on any fault nothing is written.",
         2, 2, false, true, apply},
        {"extract", "DIR", "Writes every object's mask bitmap beside SHPI.DAT.", 1, 1, false, true, extract},
        {"compile", "DIR", "Writes the mask bitmaps back into SHPI.DAT.", 1, 1, false, true, compile},
        {"check", "DIR [--json]",
         "Checks DIR's dashboard for faults the game would show: prints one line per error or warning with what "
         "to do, then a count, or with --json a JSON array. Only reads. Exit status 1 when there is an error.",
         1, 2, false, false, check},
        {"demo", "DIR", "Creates DIR holding the demo dashboard.", 1, 1, true, false, demo},
        {"render", "DIR OUT.png [--all] [--select INDEX] [--dials]",
         "Writes the dashboard as the editor shows it to the PNG file OUT.png: the background picture, with "
         "--select the object INDEX (from 0; 0 draws nothing) composited through its mask at its stored place, "
         "with --all every object so in table order (the selected one last; objects whose bitmaps cannot be "
         "read are left out and named on stderr), with --dials the needles under the objects.",
         2, 6, false, true, render},
    };
    return all;
}

} // namespace tolvane::cli
