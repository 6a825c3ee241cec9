#pragma once

// How apply's messages show a place in a JSON file and what stands there:
// one short line, whatever the file holds.

#include "tablesjson.h"

#include <QRegularExpression>

namespace tolvane::cli::json {

/// @p text cut to its first 40 characters and "...": a value or key of
/// megabytes would otherwise be echoed whole.
inline QString excerpt(const QString &text)
{
    constexpr qsizetype Longest = 40;
    if (text.size() <= Longest)
        return text;
    // A character outside the BMP is two; it is not cut in half.
    const qsizetype cut = text[Longest - 1].isHighSurrogate() ? Longest - 1 : Longest;
    return text.left(cut) + QStringLiteral("...");
}

/// @p value as compact JSON, strings quoted and escaped, cut to an excerpt.
inline QString shownValue(const QJsonValue &value)
{
    // A long string is cut before it is escaped, which would copy it whole.
    const QJsonValue shown = value.isString() ? QJsonValue(value.toString().left(64)) : value;
    return excerpt(QString::fromUtf8(compactText(shown)));
}

/// The path of member @p key of the object at @p path, such as "Objects[3].XPos".
/// A key is quoted and escaped unless it is a plain word, so that a key
/// holding a line break still gives a one-line message.
inline QString memberPath(const QString &path, const QString &key)
{
    static const QRegularExpression plainWord(QStringLiteral("^\\w+$"));
    const QString shown = plainWord.match(key).hasMatch() ? excerpt(key) : shownValue(key);
    return path.isEmpty() ? shown : path + QLatin1Char('.') + shown;
}

/// The path of element @p index of the array at @p path, such as "Objects[3]".
inline QString elementPath(const QString &path, qsizetype index)
{
    return path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}

} // namespace tolvane::cli::json
