#pragma once

#include "store/records.h"

#include <QImage>

#include <vector>

namespace tolvane::demo {

/// One object of the demo container with the pictures beside it.
struct DemoObject
{
    FixedText<4> name{};
    ObjectHeader header;
    QImage artwork; ///< what name + ".bmp" holds
    QImage mask;    ///< 8-bit grey, top row first as the mask picture shows it
};

/// The background object "0000" first, then one object per overlay: the part
/// of @p background under it with its lamp or display lit, and a mask that is
/// white exactly where the lit picture differs from the background (and one
/// pixel around), black elsewhere.
std::vector<DemoObject> demoObjects(const QImage &background);

} // namespace tolvane::demo
