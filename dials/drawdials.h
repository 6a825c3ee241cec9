#pragma once

#include "pictures/picturesurface.h"
#include "store/records.h"

#include <QPointF>

#include <optional>
#include <span>

namespace tolvane {

/// The visible part of one needle: from @c start, DialWidth pixels from the
/// pivot towards the end point, to the end point itself.
struct NeedleLine
{
    QPointF start;
    QPointF end;
};

/// The line Draw Dials draws for a needle from @p pivot to @p end.
///
/// The start lies @p dialWidth pixels from the pivot along the needle, so the
/// pivot's red dot stays clear of the needle colour. A width longer than the
/// needle puts the start beyond the end point, on the side away from the
/// pivot. A needle of length 0 has no direction and gives no line.
///
/// The stored width is used as it is, also when it is below 1 and the pen is
/// drawn 1 wide: the needle then starts at or behind the pivot, which shows
/// the user that the width is not a usable one.
std::optional<NeedleLine> needleLine(QPointF pivot, QPointF end, double dialWidth);

/// Draws @p line on @p dashboard in @p colour at the pen width, its ends in
/// single precision, as the pointer's position is.
void drawNeedleLine(PictureSurface &dashboard, const NeedleLine &line, OleColor colour);

/// The colour the needles take: the pixel of @p dashboard at the record's sample
/// point (ColourX, ColourY), black when that point lies outside the picture.
OleColor dialColour(const PictureSurface &dashboard, const DialRecord &record);

/// The point a pair of the record's fields gives, such as (SpeedoX, SpeedoY).
QPointF dialPoint(const DialRecord &record, DialField x, DialField y);

/// A needle as it is drawn: from its pivot to where its end lies.
struct NeedlePlace
{
    QPointF pivot;
    QPointF end;
};

/// What Draw Dials and the needle test draw alike: erases what was drawn on
/// @p dashboard, draws @p needles in order in the needle colour and width of
/// @p record (needleLine(); one of length 0 is left out), then a red dot on
/// each of @p dots in order, the last one set winning where two coincide.
/// DrawWidth is 1 afterwards.
void drawNeedles(PictureSurface &dashboard, const DialRecord &record, std::span<const NeedlePlace> needles,
                 std::span<const QPointF> dots);

/// Draw Dials: erases what was drawn on @p dashboard, draws both needles at their
/// minimum and maximum in the needle colour and width, and marks each pivot
/// and needle end with a red dot.
///
/// Nothing in the record makes it fail: a needle of length 0 shows as its red
/// dot only, a DialWidth below 1 draws 1 pixel wide, and a sample point
/// outside the picture gives black needles. The pen width is 1 afterwards.
void DrawDials(PictureSurface &dashboard, const DialRecord &record);

} // namespace tolvane
