#pragma once

#include "demoobjects.h"
#include "store/records.h"

#include <QByteArray>

namespace tolvane::demo {

/// The DialRecord of the demo dashboard: needles that fit the painted faces,
/// the colour point on the speedometer's hub, a tag, and distinct non-zero
/// values in every half the editor does not interpret.
DialRecord demoDialRecord();

/// The bytes of SHPI.DAT holding @p objects in order, each PixelBlock taken
/// from the object's mask, with @p dialRecord after the chunk named "0000"
/// and two skipped chunks in front of the fourth object.
QByteArray encodeDemoContainer(const std::vector<DemoObject> &objects, const DialRecord &dialRecord);

} // namespace tolvane::demo
