#pragma once

#include "pictures/picturesurface.h"
#include "store/records.h"

#include <QPointF>

namespace tolvane {

/// The clockwise angle on screen (y down), in degrees in [0, 360), from the
/// direction of @p minEnd to that of @p maxEnd around @p pivot. Ends that
/// point the same way sweep 0: the needle then only changes its length. An
/// end on the pivot has no direction and takes the other end's.
double clockwiseSweep(QPointF pivot, QPointF minEnd, QPointF maxEnd);

/// Where a needle's end lies at @p fraction of its scale: turned clockwise
/// from @p minEnd by that fraction of the sweep, its length between the two
/// ends' lengths in the same proportion. Fractions are clamped to 0 ... 1;
/// 0 gives @p minEnd and 1 gives @p maxEnd exactly.
QPointF needleEndAt(QPointF pivot, QPointF minEnd, QPointF maxEnd, double fraction);

/// @p value as a fraction of a scale whose top is @p maximum, clamped to
/// 0 ... 1; 0 for a scale without a positive top.
double scaleFraction(int value, int maximum);

/// Draws the needle test on @p dashboard as Draw Dials draws its preview: after
/// clear(), the speedometer needle at @p speed of MphMax and the tachometer needle
/// at @p revs of RpmMax, in the needle colour and width, then a red dot on
/// each pivot. The pen width is 1 afterwards.
void drawNeedleTest(PictureSurface &dashboard, const DialRecord &record, int speed, int revs);

} // namespace tolvane
