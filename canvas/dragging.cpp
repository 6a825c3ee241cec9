// Dragging the selected object on the dashboard, and the dial colour pick
// that shares the dashboard's mouse handlers.

#include "window/form1.h"

#include "canvas/drawobject.h"
#include "dials/dialpanel.h"
#include "window/undocommands.h"

#include <QListWidget>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tolvane {

namespace {

// Marks "no drag under way" in DragAnchorX.
constexpr int16_t NoDrag = -1000;
constexpr OleColor Red = 0x0000FF;
constexpr double MarkerRadius = 3;

// To the nearest integer, halves to even (nearbyint under the default
// rounding mode); none when the result does not fit 16 bits.
std::optional<int16_t> roundToInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<int16_t>::min() && rounded <= std::numeric_limits<int16_t>::max()))
        return std::nullopt;
    return int16_t(rounded);
}

// The pixel a pointer position lies on, as the colour pick reads it.
int toPixel(float v)
{
    return int(std::nearbyint(std::clamp(double(v), -2e9, 2e9)));
}

} // namespace

void Form1::BackG_MouseDown(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    if (ColourPickArmed) {
        ColourPickArmed = false;
        Frame2->setSwatch(BackGSurface.Point(toPixel(X), toPixel(Y)).value_or(0));
        const std::optional<int16_t> x = roundToInt16(X);
        const std::optional<int16_t> y = roundToInt16(Y);
        if (x && y) {
            const QPoint before(tables.dialRecord.field(DialField::ColourX),
                                tables.dialRecord.field(DialField::ColourY));
            tables.dialRecord.setField(DialField::ColourX, *x);
            tables.dialRecord.setField(DialField::ColourY, *y);
            if (before != QPoint(*x, *y))
                undoStack.push(new PickDialColour(*this, before, QPoint(*x, *y)));
        } else {
            statusBar()->showMessage(tr("The colour point %1, %2 lies beyond -32768 ... 32767; "
                                        "the needle colour stays as it was.").arg(X).arg(Y));
        }
        Frame2->setPickArmedCaption(false);
        Command3_Click();
    }

    DragAnchorX = NoDrag;
    DragAnchorY = NoDrag;
    const QRectF box = boundBox();
    const float L = float(box.left());
    const float W = float(box.width());
    const float T = float(box.top());
    const float H = float(box.height());
    // Strict on all four sides: a press on the outline's own edges, or on
    // the column and row just past it, starts no drag.
    if (Button == 1 && X > L && L + W > X && Y > T && T + H > Y) {
        const std::optional<int16_t> x = roundToInt16(X);
        const std::optional<int16_t> y = roundToInt16(Y);
        if (x && y) {
            DragAnchorX = *x;
            DragAnchorY = *y;
        }
    }
}

void Form1::BackG_MouseMove(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    if (ColourPickArmed)
        Frame2->setSwatch(BackGSurface.Point(toPixel(X), toPixel(Y)).value_or(0));

    const int i = ObjList->currentRow();
    if (Button != 1 || !boundBoxVisible() || DragAnchorX == NoDrag || i < 0 || i >= tables.objects.count())
        return;
    const std::optional<int16_t> anchorX = roundToInt16(X);
    const std::optional<int16_t> anchorY = roundToInt16(Y);
    if (!anchorX || !anchorY) {
        statusBar()->showMessage(tr("The pointer at %1, %2 lies beyond -32768 ... 32767; "
                                    "the object stays where it was.").arg(X).arg(Y));
        return;
    }

    // The outline's position is single precision, as the pointer's is.
    QRectF box = boundBox();
    const float left = float(box.left()) + (X - float(DragAnchorX));
    const float top = float(box.top()) + (Y - float(DragAnchorY));
    box.moveTo(left, top);
    setBoundBox(box, true);

    // Cls restores only what the previous step drew, so a step costs what
    // the object covers, not the whole dashboard. The widget repaints the
    // changed regions when the event loop next runs, between two moves.
    BackGSurface.Cls();
    DrawObject(Picture2, Picture3, BackGSurface,
               QPoint(int(std::nearbyint(left)), int(std::nearbyint(top))), 1);
    const ObjectHeader &header = tables.objects.headers[i];
    BackGSurface.Circle(left + float(header.XCentre), top + float(header.YCentre), MarkerRadius, Red);

    DragAnchorX = *anchorX;
    DragAnchorY = *anchorY;
}

void Form1::BackG_MouseUp(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    const int i = ObjList->currentRow();
    if (Button != 1 || i <= 0 || i >= tables.objects.count() || !mnuObjs->isChecked())
        return;

    const ObjectHeader &header = tables.objects.headers[i];
    const QRectF box = boundBox();
    const std::optional<int16_t> xPos = roundToInt16(float(header.XCentre) + float(box.left()));
    const std::optional<int16_t> yPos = roundToInt16(float(header.YCentre) + float(box.top()));
    if (xPos && yPos) {
        // Stores, redraws as below and records the drag as one step.
        moveObject(i, *xPos, *yPos, -1);
        return;
    }
    reportRefusedPosition(i);
    BackGSurface.Cls();
    showSelectedObject(i);
}

} // namespace tolvane
