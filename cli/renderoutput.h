#pragma once

#include <QString>

namespace tolvane {
class Status;
struct ObjectTable;
}

namespace tolvane::cli {

/// Refuses @p output when writing the picture there would replace one of the
/// files of the dashboard in @p directory: its container, its background, an
/// object's artwork or mask. Names match in any letter case; an existing file
/// matches under any path that reaches it, through "..", a link or another
/// hard link.
Status checkRenderOutput(const QString &directory, const ObjectTable &objects, const QString &output);

} // namespace tolvane::cli
