// Showing the selected object on the dashboard.

#include "window/form1.h"

#include "canvas/drawobject.h"

#include <QLabel>
#include <QListWidget>

namespace tolvane {

void Form1::ObjList_Click()
{
    const int i = ObjList->currentRow();
    // An emptied list selects nothing; the dashboard is left as it is.
    if (i < 0) {
        setBoundBox(boundBox(), false);
        return;
    }
    BackGSurface.Cls();
    // The first entry is the background itself: nothing to load or draw.
    if (i == 0 || i >= tables.objects.count()) {
        setBoundBox(boundBox(), false);
        return;
    }

    const Status status = prepareObjectBuffers(ShpiDirectory, tables.objects.directory[i], Picture2, Picture3);
    if (!status) {
        clearObjectBuffers(Picture2, Picture3);
        // The hidden outline stands at the stored place, so that a release
        // on the dashboard stores the position the object already has.
        setBoundBox(objectOutline(tables.objects.headers[i]), false);
        showMessage(tr("Show Object"), status.message());
        return;
    }
    showSelectedObject(i);
}

void Form1::showSelectedObject(int index)
{
    const ObjectHeader &header = tables.objects.headers[index];
    setBoundBox(objectOutline(header), true);
    DrawObject(Picture2, Picture3, BackGSurface, objectTopLeft(header), 0);
    BackGSurface.Refresh();
}

void Form1::showObjectStatus()
{
    const int i = ObjList->currentRow();
    // The first entry is the background, which has no place to show.
    if (i <= 0 || i >= tables.objects.count()) {
        ObjectStatus->clear();
        return;
    }
    const ObjectHeader &header = tables.objects.headers[size_t(i)];
    ObjectStatus->setText(tr("%1  %2 x %3  centre %4, %5  at %6, %7")
                              .arg(ObjList->item(i)->text(),
                                   QString::number(header.Width), QString::number(header.Height),
                                   QString::number(header.XCentre), QString::number(header.YCentre),
                                   QString::number(header.XPos), QString::number(header.YPos)));
}

} // namespace tolvane
