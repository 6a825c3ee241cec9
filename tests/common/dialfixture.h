#pragma once

// Small dial records and dashboards built in the test, for the dial tests.

#include "pictures/picturesurface.h"
#include "store/records.h"

#include <QImage>

#include <utility>
#include <vector>

namespace testing_support {

constexpr tolvane::OleColor white = 0xFFFFFF;
constexpr tolvane::OleColor red = 0x0000FF;
constexpr tolvane::OleColor needleGreen = 0x208040;

using Fields = std::vector<std::pair<tolvane::DialField, int>>;

inline tolvane::DialRecord dialRecord(const Fields &fields)
{
    tolvane::DialRecord record;
    for (const auto &[field, value] : fields)
        record.setField(field, int16_t(value));
    return record;
}

/// A white dashboard of @p size with one pixel of needle colour at (2, 2),
/// where the tests put the colour sample point.
inline QImage dialDashboard(const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(tolvane::toQRgb(white));
    picture.setPixel(2, 2, tolvane::toQRgb(needleGreen));
    return picture;
}

inline tolvane::OleColor pixel(const QImage &image, int x, int y)
{
    return tolvane::fromQRgb(image.pixel(x, y));
}

inline tolvane::OleColor pixel(const tolvane::PictureSurface &surface, int x, int y)
{
    return pixel(surface.image(), x, y);
}

} // namespace testing_support
