// The load command: choosing a dashboard directory and showing what it holds.

#include "window/form1.h"

#include "dials/dialpanel.h"
#include "store/dashboarddirectory.h"
#include "store/listing.h"
#include "store/loadshpi.h"
#include "store/recentdashboards.h"
#include "window/picturebox.h"
#include "window/picturefile.h"

#include <QDir>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStatusBar>

namespace tolvane {

void Form1::mnuLoad_Click()
{
    if (!maybeSaveChanges())
        return;
    BackGSurface.Cls();
    const QString directory = askDirectory();
    if (directory.isEmpty())
        return;
    openDirectory(directory);
}

bool Form1::openDirectory(const QString &directory)
{
    // Read into a copy: a refused load leaves the tables as they were, and a
    // container without dial data keeps the current DialRecord.
    ShpiTables loaded = tables;
    BackGSurface.Cls();
    QImage background;
    Status status = LoadShpi(directory, BackGSurface, loaded);
    if (status)
        status = readDashboardBackground(directory, &background);
    if (!status) {
        reportFailure(QStringLiteral("Load SHPI"), status);
        return false;
    }

    ShpiDirectory = directory;
    tables = loaded;
    // The edits were made to the tables just replaced.
    undoStack.clear();
    updateWindowTitle();
    showLoadedDashboard(background);
    BackG->show();
    mnuSave->setEnabled(true);
    mnuExtract->setEnabled(true);
    mnuCompile->setEnabled(true);
    statusBar()->showMessage(tr("Loaded %1").arg(QDir::toNativeSeparators(directory)));
    addRecentDashboard(directory);
    return true;
}

void Form1::showLoadedDashboard(const QImage &background)
{
    {
        // Rebuilding the list is not a selection.
        const QSignalBlocker blocker(ObjList);
        ObjList->clear();
        for (const DirectoryEntry &entry : tables.objects.directory)
            ObjList->addItem(nameText(entry.Name));
    }
    setBoundBox(boundBox(), false);
    BackGSurface.setPicture(background);
    const auto colour = BackGSurface.Point(tables.dialRecord.field(DialField::ColourX),
                                           tables.dialRecord.field(DialField::ColourY));
    Frame2->setSwatch(colour.value_or(0));
    Frame2->fillFrom(tables.dialRecord);
    showObjectStatus();
}

} // namespace tolvane
