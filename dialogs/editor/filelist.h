#pragma once

#include <QListWidget>

namespace tolvane {

/// A classic file list: the files of one directory whose names match a
/// pattern, in any letter case.
class FileList : public QListWidget
{
    Q_OBJECT

public:
    explicit FileList(const QString &pattern, QWidget *parent = nullptr);

    const QString &path() const { return m_path; }

    /// Lists the matching files of @p path, then emits listed(), also when
    /// it is the directory listed before. The caller has made sure that
    /// @p path can be read.
    void setPath(const QString &path);

    /// The first entry, or an empty string when the list is empty.
    QString firstEntry() const;

Q_SIGNALS:
    void listed();

private:
    QString m_pattern;
    QString m_path;
};

} // namespace tolvane
