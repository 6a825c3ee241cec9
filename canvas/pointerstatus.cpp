// The status bar's pointer readout: the dashboard pixel under the pointer
// and its colour, whatever the zoom.

#include "window/form1.h"

#include "window/picturebox.h"

#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace tolvane {

namespace {

// The pixel as the colour pick takes it: the position rounded.
int pixelOf(float v)
{
    return int(std::nearbyint(std::clamp(double(v), -2e9, 2e9)));
}

QString pointerText(int x, int y, const QString &colour)
{
    return Form1::tr("x %1, y %2   %3").arg(x).arg(y).arg(colour);
}

} // namespace

void Form1::createPointerLabel()
{
    lblPointer = new QLabel(this);
    // As wide as a usual readout at least, so that the status bar does not
    // shift with every move; set apart from the selected object's readout.
    constexpr int Gap = 12;
    lblPointer->setContentsMargins(Gap, 0, 0, 0);
    lblPointer->setMinimumWidth(lblPointer->fontMetrics().horizontalAdvance(pointerText(8888, 8888, "#DDDDDD")) + Gap);
    statusBar()->addPermanentWidget(lblPointer);
    connect(BackG, &PictureBox::mouseMove, this,
            [this](int, int, float X, float Y) { BackG_PointerMove(X, Y); });
    connect(BackG, &PictureBox::mouseLeave, this, &Form1::BackG_MouseLeave);
}

void Form1::BackG_PointerMove(float X, float Y)
{
    const int x = pixelOf(X);
    const int y = pixelOf(Y);
    const std::optional<OleColor> colour = BackGSurface.Point(x, y);
    lblPointer->setText(pointerText(x, y, colour ? toQColor(*colour).name().toUpper() : QString()).trimmed());
}

void Form1::BackG_MouseLeave()
{
    lblPointer->clear();
}

} // namespace tolvane
