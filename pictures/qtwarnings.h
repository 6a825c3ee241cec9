#pragma once

namespace tolvane {

/// Keeps Qt's warning that XDG_RUNTIME_DIR is not set off stderr, and passes
/// every other message on to the handler installed before. Call it before
/// the application object is created, which is where Qt warns.
void hideRuntimeDirectoryWarning();

} // namespace tolvane
