#include "dials/drawdials.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tolvane {

namespace {

constexpr OleColor black = 0x000000;
constexpr OleColor red = 0x0000FF; // red is the low byte

struct Needle
{
    DialField pivotX, pivotY, endX, endY;
};

// The order the needles are drawn in: speedometer then tachometer, each at
// its minimum before its maximum.
constexpr std::array<Needle, 4> needles = {{
    {DialField::SpeedoX, DialField::SpeedoY, DialField::SpeedoMinX, DialField::SpeedoMinY},
    {DialField::SpeedoX, DialField::SpeedoY, DialField::SpeedoMaxX, DialField::SpeedoMaxY},
    {DialField::TachoX, DialField::TachoY, DialField::TachoMinX, DialField::TachoMinY},
    {DialField::TachoX, DialField::TachoY, DialField::TachoMaxX, DialField::TachoMaxY},
}};

// The red dots go on in this order; the last one set wins where two coincide.
constexpr std::array<std::array<DialField, 2>, 6> dots = {{
    {DialField::SpeedoX, DialField::SpeedoY},
    {DialField::SpeedoMaxX, DialField::SpeedoMaxY},
    {DialField::SpeedoMinX, DialField::SpeedoMinY},
    {DialField::TachoX, DialField::TachoY},
    {DialField::TachoMaxX, DialField::TachoMaxY},
    {DialField::TachoMinX, DialField::TachoMinY},
}};

} // namespace

QPointF dialPoint(const DialRecord &record, DialField x, DialField y)
{
    return QPointF(record.field(x), record.field(y));
}

std::optional<NeedleLine> needleLine(QPointF pivot, QPointF end, double dialWidth)
{
    const double length = std::hypot(pivot.x() - end.x(), pivot.y() - end.y());
    if (length == 0.0)
        return std::nullopt;
    const double k = (length - dialWidth) / length;
    return NeedleLine{end + k * (pivot - end), end};
}

void drawNeedleLine(PictureSurface &dashboard, const NeedleLine &line, OleColor colour)
{
    const auto singlePrecision = [](QPointF point) { return QPointF(float(point.x()), float(point.y())); };
    dashboard.drawLine(singlePrecision(line.start), singlePrecision(line.end), colour);
}

OleColor dialColour(const PictureSurface &dashboard, const DialRecord &record)
{
    return dashboard.pixel(record.field(DialField::ColourX), record.field(DialField::ColourY))
        .value_or(black);
}

void drawNeedles(PictureSurface &dashboard, const DialRecord &record, std::span<const NeedlePlace> needles,
                 std::span<const QPointF> dots)
{
    dashboard.clear();
    const int dialWidth = record.field(DialField::DialWidth);
    dashboard.setPenWidth(dialWidth);
    // Sampled after clear(), so the needles take the background picture's colour.
    const OleColor colour = dialColour(dashboard, record);

    for (const NeedlePlace &needle : needles) {
        const auto line = needleLine(needle.pivot, needle.end, dialWidth);
        if (!line)
            continue; // a needle of length 0 shows as its red dot only
        drawNeedleLine(dashboard, *line, colour);
    }

    dashboard.setPenWidth(1);
    for (const QPointF &dot : dots)
        dashboard.drawPoint(dot, red);
}

void DrawDials(PictureSurface &dashboard, const DialRecord &record)
{
    std::array<NeedlePlace, needles.size()> placed;
    std::ranges::transform(needles, placed.begin(), [&](const Needle &needle) {
        return NeedlePlace{dialPoint(record, needle.pivotX, needle.pivotY),
                           dialPoint(record, needle.endX, needle.endY)};
    });
    std::array<QPointF, dots.size()> dotPoints;
    std::ranges::transform(dots, dotPoints.begin(), [&](const auto &dot) { return dialPoint(record, dot[0], dot[1]); });
    drawNeedles(dashboard, record, placed, dotPoints);
}

} // namespace tolvane
