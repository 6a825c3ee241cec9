#include "duplicatekeys.h"
#include "jsonpath.h"

#include <QByteArrayView>
#include <QSet>

#include <deque>
#include <vector>

namespace tolvane::cli {

namespace {

// An object or array the scan is inside, and where in it the scan is. Keys
// are the UTF-8 of the file itself, not copied.
struct Level
{
    explicit Level(bool object) : isObject(object), expectsKey(object) {}

    bool isObject;
    bool expectsKey;          // in an object, after "{" or ",": the next string is a key
    QByteArrayView key;       // in an object: the current member's key
    qsizetype index = 0;      // in an array: the current element
    QSet<QByteArrayView> keys; // in an object: the keys given so far
};

// The index of the closing quote of the string that opens at @p at.
qsizetype stringEnd(QByteArrayView json, qsizetype at)
{
    for (qsizetype i = at + 1; i < json.size(); ++i) {
        if (json[i] == '\\')
            ++i;
        else if (json[i] == '"')
            return i;
    }
    return json.size();
}

// The path of the innermost level: each outer level's current member or element.
QString pathOf(const std::vector<Level> &levels)
{
    QString path;
    for (size_t i = 0; i + 1 < levels.size(); ++i)
        path = levels[i].isObject ? json::memberPath(path, QString::fromUtf8(levels[i].key))
                                  : json::elementPath(path, levels[i].index);
    return path;
}

} // namespace

std::optional<DuplicateKey> findDuplicateKey(const QByteArray &document)
{
    // Qt has checked the syntax, so the structure characters outside strings
    // are all there is to follow; numbers and literals are passed over.
    const QByteArrayView json(document);
    std::vector<Level> levels;
    // Keys written with escapes, decoded; an escape such as \u0050 names the
    // same key as the letter it stands for. A deque never moves them.
    std::deque<QByteArray> decodedKeys;
    for (qsizetype i = 0; i < json.size(); ++i) {
        switch (json[i]) {
        case '{':
            levels.emplace_back(true);
            break;
        case '[':
            levels.emplace_back(false);
            break;
        case '}':
        case ']':
            levels.pop_back();
            break;
        case ',':
            if (levels.back().isObject)
                levels.back().expectsKey = true;
            else
                ++levels.back().index;
            break;
        case '"': {
            const qsizetype end = stringEnd(json, i);
            if (!levels.empty() && levels.back().expectsKey) {
                Level &level = levels.back();
                level.key = json.sliced(i + 1, end - i - 1);
                if (level.key.contains('\\')) {
                    const QByteArray token = '[' + json.sliced(i, end + 1 - i).toByteArray() + ']';
                    decodedKeys.push_back(QJsonDocument::fromJson(token).array().first().toString().toUtf8());
                    level.key = decodedKeys.back();
                }
                if (level.keys.contains(level.key))
                    return DuplicateKey{pathOf(levels), QString::fromUtf8(level.key), i};
                level.keys.insert(level.key);
                level.expectsKey = false;
            }
            i = end;
            break;
        }
        default:
            break;
        }
    }
    return std::nullopt;
}

} // namespace tolvane::cli
