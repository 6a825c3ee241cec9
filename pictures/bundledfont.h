#pragma once

#include <QString>

namespace tolvane {

/// The family of the sans-serif font that ships inside the program, so that
/// the demo dashboard and printed text look the same on every system, with or
/// without fonts of its own. Registers the font on first use; needs a
/// QGuiApplication.
QString bundledFontFamily();

} // namespace tolvane
