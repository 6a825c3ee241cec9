#include "dials/needlesweep.h"

#include "dials/drawdials.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tolvane {

namespace {

constexpr OleColor red = 0x0000FF; // red is the low byte
constexpr double fullTurn = 2 * std::numbers::pi;

struct Direction
{
    double angle; // radians, clockwise on screen from the +x axis
    double length;
};

Direction direction(QPointF from, QPointF to)
{
    const QPointF d = to - from;
    return {std::atan2(d.y(), d.x()), std::hypot(d.x(), d.y())};
}

// The two ends' directions, an end on the pivot borrowing the other's.
std::pair<Direction, Direction> endDirections(QPointF pivot, QPointF minEnd, QPointF maxEnd)
{
    Direction atMin = direction(pivot, minEnd);
    Direction atMax = direction(pivot, maxEnd);
    if (atMin.length == 0.0)
        atMin.angle = atMax.angle;
    if (atMax.length == 0.0)
        atMax.angle = atMin.angle;
    return {atMin, atMax};
}

// Radians in [0, 2 pi). With y down, a growing atan2 angle turns clockwise.
double clockwiseRadians(double fromAngle, double toAngle)
{
    double sweep = std::fmod(toAngle - fromAngle, fullTurn);
    if (sweep < 0.0)
        sweep += fullTurn;
    // A tiny negative difference wraps to exactly a full turn in doubles.
    return sweep >= fullTurn ? 0.0 : sweep;
}

QPointF point(const DialRecord &record, DialField x, DialField y)
{
    return QPointF(record.field(x), record.field(y));
}

struct TestNeedle
{
    DialField pivotX, pivotY, minX, minY, maxX, maxY, scaleTop;
};

constexpr TestNeedle speedometer = {DialField::SpeedoX,    DialField::SpeedoY,    DialField::SpeedoMinX,
                                    DialField::SpeedoMinY, DialField::SpeedoMaxX, DialField::SpeedoMaxY,
                                    DialField::MphMax};
constexpr TestNeedle tachometer = {DialField::TachoX,    DialField::TachoY,    DialField::TachoMinX,
                                   DialField::TachoMinY, DialField::TachoMaxX, DialField::TachoMaxY,
                                   DialField::RpmMax};

} // namespace

double clockwiseSweep(QPointF pivot, QPointF minEnd, QPointF maxEnd)
{
    const auto [atMin, atMax] = endDirections(pivot, minEnd, maxEnd);
    return clockwiseRadians(atMin.angle, atMax.angle) * 180.0 / std::numbers::pi;
}

QPointF needleEndAt(QPointF pivot, QPointF minEnd, QPointF maxEnd, double fraction)
{
    // Written so that NaN gives the minimum too. The ends are returned as
    // they are: the trigonometry below would miss them by a rounding error.
    if (!(fraction > 0.0))
        return minEnd;
    if (fraction >= 1.0)
        return maxEnd;
    const auto [atMin, atMax] = endDirections(pivot, minEnd, maxEnd);
    const double angle = atMin.angle + fraction * clockwiseRadians(atMin.angle, atMax.angle);
    const double length = atMin.length + fraction * (atMax.length - atMin.length);
    return pivot + length * QPointF(std::cos(angle), std::sin(angle));
}

double scaleFraction(int value, int maximum)
{
    if (maximum <= 0)
        return 0.0;
    return std::clamp(double(value) / maximum, 0.0, 1.0);
}

void drawNeedleTest(PictureSurface &dashboard, const DialRecord &record, int speed, int revs)
{
    dashboard.clear();
    const int dialWidth = record.field(DialField::DialWidth);
    dashboard.setPenWidth(dialWidth);
    const OleColor colour = dialColour(dashboard, record);

    for (const auto &[needle, value] : {std::pair{speedometer, speed}, std::pair{tachometer, revs}}) {
        const QPointF pivot = point(record, needle.pivotX, needle.pivotY);
        const QPointF end = needleEndAt(pivot, point(record, needle.minX, needle.minY),
                                        point(record, needle.maxX, needle.maxY),
                                        scaleFraction(value, record.field(needle.scaleTop)));
        const auto line = needleLine(pivot, end, dialWidth);
        if (!line)
            continue;
        drawNeedleLine(dashboard, *line, colour);
    }

    dashboard.setPenWidth(1);
    for (const TestNeedle &needle : {speedometer, tachometer})
        dashboard.drawPoint(QPointF(record.field(needle.pivotX), record.field(needle.pivotY)), red);
}

} // namespace tolvane
