#include "dials/drawdials.h"

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

QPointF point(const DialRecord &record, DialField x, DialField y)
{
    return QPointF(record.field(x), record.field(y));
}

} // namespace

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

void DrawDials(PictureSurface &dashboard, const DialRecord &record)
{
    dashboard.clear();
    const int dialWidth = record.field(DialField::DialWidth);
    dashboard.setPenWidth(dialWidth);
    // Sampled after clear(), so the needles take the background picture's colour.
    const OleColor colour = dialColour(dashboard, record);

    for (const Needle &needle : needles) {
        const auto line = needleLine(point(record, needle.pivotX, needle.pivotY),
                                     point(record, needle.endX, needle.endY), dialWidth);
        if (!line)
            continue; // a needle of length 0 shows as its red dot only
        drawNeedleLine(dashboard, *line, colour);
    }

    dashboard.setPenWidth(1);
    for (const auto &dot : dots)
        dashboard.drawPoint(QPointF(record.field(dot[0]), record.field(dot[1])), red);
}

} // namespace tolvane
