#pragma once

// Where everything sits on the demo dashboard. The painter draws from these
// numbers and the DialRecord is filled from them, so the needles always fit
// the drawn faces.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <cmath>
#include <numbers>

namespace tolvane::demo {

inline constexpr QSize DashboardSize(640, 480);

/// The needles take the colour of the background at the DialRecord's colour
/// point, so the gauges' hubs are painted in it.
inline const QColor NeedleColour(255, 72, 0);

inline constexpr int BezelRadius = 138;
inline constexpr int FaceRadius = 126;
inline constexpr int NeedleLength = 110;
inline constexpr int NeedleWidth = 3;
inline constexpr int HubRadius = 12;

struct GaugeLayout
{
    QPoint pivot;
    int maxValue;     ///< top of the scale in the DialRecord's units
    int labelStep;    ///< value between numbered marks
    int labelDivisor; ///< the printed number is value / labelDivisor
    int redlineFrom;  ///< start of the red band; maxValue for none
    const char *caption;
};

inline constexpr GaugeLayout Speedometer{{172, 232}, 160, 20, 1, 160, "MPH"};
inline constexpr GaugeLayout Tachometer{{468, 232}, 8000, 1000, 1000, 6500, "RPM x1000"};

/// The point at @p radius from the pivot's pixel centre in the direction the
/// needle points at @p value. The scale runs clockwise over 270 degrees, from
/// lower left (0) to lower right (maxValue).
inline QPointF gaugePoint(const GaugeLayout &gauge, double value, double radius)
{
    const double degrees = 225.0 - 270.0 * value / gauge.maxValue;
    const double radians = degrees * std::numbers::pi / 180.0;
    // y grows downwards on the picture, hence the minus.
    return QPointF(gauge.pivot.x() + 0.5 + radius * std::cos(radians),
                   gauge.pivot.y() + 0.5 - radius * std::sin(radians));
}

/// The pixel a needle's tip lies on at @p value, as the DialRecord stores it.
inline QPoint needleEnd(const GaugeLayout &gauge, double value)
{
    const QPointF tip = gaugePoint(gauge, value, NeedleLength);
    return QPoint(int(std::floor(tip.x())), int(std::floor(tip.y())));
}

enum class OverlayKind { OilLamp, BatteryLamp, HandbrakeLamp, GearIndicator, Odometer };

/// One overlay object: its name in the container and the rectangle of the
/// dashboard its bitmaps cover.
struct OverlayPlace
{
    char name[5];
    OverlayKind kind;
    QRect box;
};

inline constexpr std::array<OverlayPlace, 5> Overlays{{
    {"oil0", OverlayKind::OilLamp, QRect(226, 410, 48, 36)},
    {"bat0", OverlayKind::BatteryLamp, QRect(296, 410, 48, 36)},
    {"brk0", OverlayKind::HandbrakeLamp, QRect(366, 410, 48, 36)},
    {"gear", OverlayKind::GearIndicator, QRect(298, 316, 44, 58)},
    {"odo0", OverlayKind::Odometer, QRect(126, 304, 92, 26)},
}};

} // namespace tolvane::demo
