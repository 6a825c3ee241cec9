#pragma once

#include "pictures/picturesurface.h"
#include "store/shpitables.h"
#include "store/status.h"

#include <memory>
#include <optional>
#include <vector>

namespace tolvane {

/// Every object of a dashboard composited at its stored place, the dashboard
/// as the game shows it. The bitmaps are read and prepared once; a redraw
/// only composites, so a view can redraw on every drag step.
///
/// The first entry of the table is the background picture itself and is
/// never composited.
class AllObjects
{
public:
    /// An object left out because its bitmaps cannot be read.
    struct LeftOut
    {
        int index;
        Status status;
    };

    /// Reads and prepares the bitmaps of every object of @p objects from
    /// @p directory, in place of what an earlier call prepared. Returns the
    /// objects left out, in table order.
    std::vector<LeftOut> prepare(const QString &directory, const ObjectTable &objects);

    /// Composites every prepared object onto @p target through its mask,
    /// at the place @p objects holds for it now, in table order; the object
    /// @p selected (a table index) is drawn last, over all others. The
    /// bitmaps go with the indices of the last prepare(): after a load,
    /// prepare again.
    void draw(PictureSurface &target, const ObjectTable &objects, std::optional<int> selected = std::nullopt) const;
    /// draw() without the object @p except: what lies under it when it is
    /// drawn last.
    void drawOthers(PictureSurface &target, const ObjectTable &objects, std::optional<int> except) const;

    /// One line naming each object left out and its fault, for a status line
    /// or stderr; empty when none was.
    static QString describe(const std::vector<LeftOut> &leftOut);

private:
    struct Buffers
    {
        int index;
        // PictureSurface is a QObject, so it cannot move within the vector.
        std::unique_ptr<PictureSurface> image;
        std::unique_ptr<PictureSurface> mask;
    };

    void drawOne(PictureSurface &target, const ObjectTable &objects, const Buffers &object) const;

    std::vector<Buffers> m_objects;
};

} // namespace tolvane
