#pragma once

#include <QImage>

namespace tolvane::demo {

/// The dashboard background: the panel, the speedometer and tachometer faces
/// with their scales, the needle-coloured hubs, and every warning lamp and
/// display unlit. Needs a QGuiApplication for the fonts.
QImage paintDashboard();

} // namespace tolvane::demo
