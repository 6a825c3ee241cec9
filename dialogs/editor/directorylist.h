#pragma once

#include "store/status.h"

#include <QTreeWidget>

namespace tolvane {

/// A classic directory list: the current directory under its ancestors, and
/// its subdirectories below it. Opening an entry (double-click, or Enter on an
/// entry other than the current directory) makes it the current directory.
class DirectoryList : public QTreeWidget
{
    Q_OBJECT

public:
    explicit DirectoryList(QWidget *parent = nullptr);

    /// The current directory, absolute, without a trailing separator except
    /// for a root.
    const QString &path() const { return m_path; }

    /// Shows @p path. When it cannot be read the list stays as it was and the
    /// returned status names the directory and the reason. Emits changed()
    /// when the current directory is another one than before.
    Status setPath(const QString &path);

Q_SIGNALS:
    void changed();
    /// The user opened an entry that cannot be read; the list stays as it was.
    void openFailed(const QString &message);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    void open(QTreeWidgetItem *item);
    void rebuild(const QStringList &ancestors, const QStringList &subdirectories);

    QString m_path;
};

} // namespace tolvane
