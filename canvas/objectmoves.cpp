// Moving an object: the one path that a release, a nudge, undo and redo all
// take, and the nudges of the arrow keys.

#include "window/form1.h"

#include "window/undocommands.h"

#include <QAction>
#include <QKeyEvent>
#include <QListWidget>
#include <QStatusBar>

#include <limits>

namespace tolvane {

namespace {

bool fitsInt16(int value)
{
    return value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max();
}

} // namespace

void Form1::setObjectPosition(int index, int16_t x, int16_t y)
{
    if (index <= 0 || index >= tables.objects.count())
        return;
    // Undo and redo bring the object into view; a release and a nudge find
    // it there already.
    if (!mnuObjs->isChecked())
        mnuObjs_Click();
    if (ObjList->currentRow() != index)
        ObjList->setCurrentRow(index);

    ObjectHeader &header = tables.objects.headers[size_t(index)];
    header.XPos = x;
    header.YPos = y;
    BackGSurface.Cls();
    showSelectedObject(index);
    showObjectStatus();
}

void Form1::moveObject(int index, int16_t x, int16_t y, int nudgeRun)
{
    const ObjectHeader &header = tables.objects.headers[size_t(index)];
    const QPoint from(header.XPos, header.YPos);
    const QPoint to(x, y);
    setObjectPosition(index, x, y);
    // A click without a drag changes nothing and leaves the redo steps alone.
    if (to != from)
        undoStack.push(new MoveObject(*this, index, from, to, nudgeRun));
}

void Form1::reportRefusedPosition(int index)
{
    statusBar()->showMessage(tr("Object %1 cannot be placed there: its position would lie beyond "
                                "-32768 ... 32767. It stays where it was.").arg(index));
}

bool Form1::BackG_KeyDown(const QKeyEvent &key)
{
    int dx = 0;
    int dy = 0;
    switch (key.key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
    }
    // Arrows with Ctrl, Alt or Meta are left to whatever shortcut they are.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int step = key.modifiers() & Qt::ShiftModifier ? 10 : 1;
    return nudgeSelectedObject(dx * step, dy * step);
}

bool Form1::nudgeSelectedObject(int dx, int dy)
{
    const int i = ObjList->currentRow();
    if (i <= 0 || i >= tables.objects.count() || !mnuObjs->isChecked())
        return false;
    const ObjectHeader &header = tables.objects.headers[size_t(i)];
    const int x = header.XPos + dx;
    const int y = header.YPos + dy;
    if (fitsInt16(x) && fitsInt16(y))
        moveObject(i, int16_t(x), int16_t(y), m_editRun);
    else
        reportRefusedPosition(i);
    return true;
}

} // namespace tolvane
