#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tolvane::cli {

/// A key given twice in one JSON object, where Qt would keep only the last.
struct DuplicateKey
{
    QString path;     ///< of the object, such as "Objects[3]"; empty for the top level
    QString key;
    qsizetype offset; ///< of the second key's opening quote
};

/// The first key in @p document, in the order of the text, that its object has
/// already given. @p document must be JSON that Qt has parsed without error.
std::optional<DuplicateKey> findDuplicateKey(const QByteArray &document);

} // namespace tolvane::cli
