#pragma once

#include "records.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

namespace tolvane {

/// A dashboard directory, with its files found whatever the letter case of
/// their names, as on the file system the game's files come from.
class DashboardDirectory
{
public:
    static inline const QString ContainerName = QStringLiteral("SHPI.DAT");
    /// The background picture, which is also the first object's artwork.
    static inline const QString BackgroundName = QStringLiteral("0000.bmp");

    explicit DashboardDirectory(const QString &path);

    const QString &path() const { return m_path; }

    /// The path of the existing file called @p name in any letter case, or an
    /// empty string when there is none. A directory of that name counts, so
    /// that it is reported as what it is rather than as a missing file.
    QString existingFile(const QString &name) const;
    /// The file called @p name, to be read or written: the existing file in
    /// any letter case, else @p name as given.
    QString filePath(const QString &name) const;

    /// An object name as a file name part: its four bytes as Latin-1
    /// characters. Empty when the name could lead outside the directory or is
    /// no plain file name (a separator, NUL or another control character; on
    /// Windows also a name it reads as a device or a stream).
    static std::optional<QString> fileNamePart(const FixedText<4> &name);

    /// The same on every system: only a separator or a control character
    /// leaves a name without a file name part, so that what a dashboard's
    /// findings name does not depend on where they are made.
    static std::optional<QString> portableFileNamePart(const FixedText<4> &name);

private:
    QString m_path;
    QSet<QString> m_names;
    QHash<QString, QString> m_byFoldedName;
};

} // namespace tolvane
