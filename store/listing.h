#pragma once

#include "records.h"

#include <QString>

namespace tolvane {

/// "Number of objects: N", the first line of every walk's listing.
QString objectCountLine(int count);
/// "Object i: NAME Width: W Height: H", with the name's four bytes as stored.
QString objectLine(int index, const DirectoryEntry &entry, const ObjectHeader &header);
/// A name's four bytes as the Latin-1 characters of the same numbers.
QString nameText(const FixedText<4> &name);
/// The name as the user can read it in a message: bytes that print as
/// nothing, or would end the line, appear as \xNN.
QString printableName(const FixedText<4> &name);

} // namespace tolvane
