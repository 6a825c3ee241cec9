#pragma once

#include <QFont>
#include <QStringList>

namespace tolvane {

/// The rows @p text takes in @p font at @p width pixels: broken between
/// words, or within a word longer than a row (a path). Always one row at
/// least, an empty one for empty text.
QStringList wrappedText(const QString &text, const QFont &font, int width);

} // namespace tolvane
