#pragma once

#include "demolayout.h"

class QPainter;

namespace tolvane::demo {

/// Paints the warning lamp or display at @p place, in dashboard coordinates.
/// The background shows every one of them unlit. With @p lit only what lights
/// up is painted, over the unlit picture: an overlay object's artwork is that
/// part of the background with its lamp or display lit, and everything it
/// leaves alone stays out of the object's mask.
void paintOverlay(QPainter &painter, const OverlayPlace &place, bool lit);

} // namespace tolvane::demo
