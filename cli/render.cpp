#include "commands.h"
#include "renderoutput.h"

#include "canvas/allobjects.h"
#include "canvas/drawobject.h"
#include "dials/drawdials.h"
#include "pictures/picturefile.h"
#include "store/safewrite.h"
#include "store/shpitables.h"
#include "store/status.h"


#include <optional>

namespace tolvane::cli {

namespace {

struct RenderRequest
{
    QString directory;
    QString output;
    std::optional<int> select;
    bool dials = false;
    bool all = false;
};

const QString Usage = QStringLiteral("usage: tolvane-cli render DIR OUT.png [--all] [--select INDEX] [--dials]");

// Everything after DIR reaches us as positional arguments, so the options
// are picked out here; they may stand before or after OUT.png.
std::optional<QString> parseRequest(const QStringList &args, RenderRequest *request)
{
    request->directory = args[0];
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--dials")) {
            request->dials = true;
        } else if (arg == QLatin1String("--all")) {
            request->all = true;
        } else if (arg == QLatin1String("--select") || arg.startsWith(QLatin1String("--select="))) {
            QString value;
            if (arg.contains(QLatin1Char('=')))
                value = arg.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                return QStringLiteral("--select needs an INDEX");
            bool ok = false;
            const int index = value.toInt(&ok);
            if (!ok || index < 0)
                return QStringLiteral("INDEX must be an object index counted from 0, not \"%1\"").arg(value);
            request->select = index;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return QStringLiteral("unknown option \"%1\"").arg(arg);
        } else if (request->output.isEmpty()) {
            request->output = arg;
        } else {
            return Usage;
        }
    }
    if (request->output.isEmpty())
        return Usage;
    return std::nullopt;
}

Status writePng(const QImage &image, const QString &path, InPlace inPlace)
{
    return writeFileSafely(path, [&](QIODevice &out) { return image.save(&out, "PNG"); }, inPlace);
}

} // namespace

int render(const QStringList &args, InPlace inPlace)
{
    RenderRequest request;
    if (const std::optional<QString> error = parseRequest(args, &request))
        return fail(*error, UsageError);

    ShpiTables tables;
    if (Status s = loadQuietly(request.directory, tables); !s)
        return fail(s.message());
    if (request.select && *request.select >= tables.objects.count())
        return fail(QStringLiteral("INDEX %1 is out of range: the dashboard has %2 objects")
                        .arg(*request.select)
                        .arg(tables.objects.count()),
                    UsageError);
    if (Status s = checkRenderOutput(request.directory, tables.objects, request.output); !s)
        return fail(s.message(), UsageError);

    QImage background;
    if (Status s = readDashboardBackground(request.directory, &background); !s)
        return fail(s.message());
    PictureSurface dashboard;
    dashboard.setPicture(background);

    // Draw Dials clears the dashboard first, so the needles go down before
    // the object, never over it.
    if (request.dials)
        DrawDials(dashboard, tables.dialRecord);
    QString leftOut;
    if (request.all) {
        AllObjects objects;
        const std::vector<AllObjects::LeftOut> failed = objects.prepare(request.directory, tables.objects);
        // The object asked for with --select must be in the picture; others
        // are left out and named, as the editor's view does.
        for (const AllObjects::LeftOut &object : failed) {
            if (object.index == request.select)
                return fail(object.status.message());
        }
        leftOut = AllObjects::describe(failed);
        objects.draw(dashboard, tables.objects, request.select);
    } else if (request.select && *request.select > 0) {
        // The first entry is the background itself: selecting it draws nothing.
        PictureSurface artwork;
        PictureSurface mask;
        const int i = *request.select;
        if (Status s = prepareObjectBuffers(request.directory, tables.objects.directory[i], artwork, mask); !s)
            return fail(s.message());
        DrawObject(artwork, mask, dashboard, objectTopLeft(tables.objects.headers[i]),
                   ObjectDrawing::ThroughMask);
    }

    const Status written = writePng(dashboard.image(), request.output, inPlace);
    if (!written)
        return finish(written);
    // The picture shows everything that could be read, so this is a warning
    // on stderr and the exit status stays 0.
    if (!leftOut.isEmpty())
        fail(leftOut);
    return finish(written);
}

} // namespace tolvane::cli
