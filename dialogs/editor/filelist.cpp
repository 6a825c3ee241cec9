#include "filelist.h"

#include <QDir>

namespace tolvane {

FileList::FileList(const QString &pattern, QWidget *parent)
    : QListWidget(parent)
    , m_pattern(pattern)
{
}

void FileList::setPath(const QString &path)
{
    // Name filters ignore letter case unless told otherwise, which is what we
    // want: the game's files come from a file system that ignores it too.
    const QDir directory(path, m_pattern, QDir::Name | QDir::IgnoreCase, QDir::Files | QDir::Hidden);
    clear();
    addItems(directory.entryList());
    m_path = path;
    Q_EMIT listed();
}

QString FileList::firstEntry() const
{
    return count() > 0 ? item(0)->text() : QString();
}

} // namespace tolvane
