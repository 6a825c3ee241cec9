#include "demoobjects.h"
#include "demolayout.h"
#include "overlaypainter.h"

#include <QPainter>

#include <cstring>

namespace tolvane::demo {

namespace {

ObjectHeader headerFor(const QRect &box)
{
    ObjectHeader header;
    header.Width = int16_t(box.width());
    header.Height = int16_t(box.height());
    header.XCentre = int16_t(box.width() / 2);
    header.YCentre = int16_t(box.height() / 2);
    header.XPos = int16_t(box.x() + header.XCentre);
    header.YPos = int16_t(box.y() + header.YCentre);
    return header;
}

// The mask is hard, 0 or 255, because the composite mixes image and
// dashboard bit by bit: a grey mask value would show a blend of bits, not of
// colours. Covering one pixel more than what changed keeps the lit picture's
// soft edges, which already hold the background's colours.
QImage maskOfChanges(const QImage &before, const QImage &after)
{
    const int width = before.width(), height = before.height();
    QImage mask(width, height, QImage::Format_Grayscale8);
    mask.fill(0);
    for (int y = 0; y < height; ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(after.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (a[x] == b[x])
                continue;
            const int left = std::max(0, x - 1), right = std::min(width - 1, x + 1);
            for (int ny = std::max(0, y - 1); ny <= std::min(height - 1, y + 1); ++ny)
                std::memset(mask.scanLine(ny) + left, 255, size_t(right - left + 1));
        }
    }
    return mask;
}

} // namespace

std::vector<DemoObject> demoObjects(const QImage &background)
{
    std::vector<DemoObject> objects;

    DemoObject dashboard;
    dashboard.name = {'0', '0', '0', '0'};
    dashboard.header = headerFor(background.rect());
    dashboard.header.XCentre = dashboard.header.YCentre = 0;
    dashboard.header.XPos = dashboard.header.YPos = 0;
    dashboard.artwork = background;
    dashboard.mask = QImage(background.size(), QImage::Format_Grayscale8);
    dashboard.mask.fill(255);
    objects.push_back(dashboard);

    for (const OverlayPlace &place : Overlays) {
        DemoObject object;
        std::memcpy(object.name.data(), place.name, object.name.size());
        object.header = headerFor(place.box);
        const QImage unlit = background.copy(place.box);
        object.artwork = unlit;
        {
            QPainter painter(&object.artwork);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.translate(-place.box.topLeft());
            paintOverlay(painter, place, true);
        }
        object.mask = maskOfChanges(unlit, object.artwork);
        objects.push_back(object);
    }
    return objects;
}

} // namespace tolvane::demo
