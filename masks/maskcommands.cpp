// The mask commands of the File menu.

#include "window/form1.h"

#include "dials/dialpanel.h"
#include "masks/compilemasks.h"
#include "masks/extractmasks.h"
#include "window/liveprinter.h"
#include "window/picturefile.h"
#include "window/picturebox.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace tolvane {

void Form1::mnuExtract_Click()
{
    // The extraction rereads the tables from the file.
    if (!maybeSaveChanges())
        return;

    // The background is read first: a missing one refuses the command before
    // anything is written.
    QImage background;
    if (Status status = readDashboardBackground(ShpiDirectory, &background); !status) {
        reportFailure(QStringLiteral("Extract Masks from SHPI"), status);
        return;
    }

    // The progress goes to the screen only; the picture assigned afterwards
    // replaces it.
    BackGSurface.setAutoRedraw(false);
    BackGSurface.Cls();
    {
        const QSignalBlocker blocker(ObjList);
        ObjList->clear();
    }
    BackGSurface.Line(0, 0, BackGSurface.ScaleWidth(), BackGSurface.ScaleHeight(), 0xFFFFFF, true);
    LivePrinter printer(BackGSurface, *BackG);
    printer.Print(QStringLiteral("Extracting SHPI data..."));
    const Status status = ExtractMasks(ShpiDirectory, printer, tables);
    if (status)
        printer.Print(QStringLiteral("Extraction Complete."));
    BackGSurface.setAutoRedraw(true);

    // A failed extraction left the tables as they were; the panels show them again.
    showLoadedDashboard(status ? background : BackGSurface.picture());
    if (status)
        undoStack.clear();
    else
        reportFailure(QStringLiteral("Extract Masks from SHPI"), status);
}

void Form1::mnuCompile_Click()
{
    LivePrinter printer(BackGSurface, *BackG);
    // Compiling writes the headers and the dial data as a save does.
    if (Status status = CompileMasks(ShpiDirectory, printer, tables); !status)
        reportFailure(QStringLiteral("Compile Masks into SHPI"), status);
    else
        undoStack.setClean();
}

} // namespace tolvane
