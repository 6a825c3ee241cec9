#include "directorylist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include <filesystem>
#include <system_error>

namespace tolvane {

namespace {

constexpr int PathRole = Qt::UserRole;

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// QDir lists an unreadable or vanished directory as empty without saying why;
// opening it ourselves gets the system's reason.
Status checkReadable(const QString &path)
{
    std::error_code error;
    std::filesystem::directory_iterator probe(nativePath(path), error);
    if (error)
        return Status::fileError(path, QObject::tr("the directory cannot be read (%1).")
                                                 .arg(QString::fromStdString(error.message())));
    return Status::success();
}

// From the root down to path itself.
QStringList ancestorsOf(const QString &path)
{
    QStringList chain;
    QString current = path;
    for (;;) {
        chain.prepend(current);
        const QString parent = QFileInfo(current).absolutePath();
        if (parent == current)
            break;
        current = parent;
    }
    return chain;
}

QString entryText(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(8);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &DirectoryList::open);
}

Status DirectoryList::setPath(const QString &path)
{
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    if (Status status = checkReadable(absolute); !status)
        return status;

    const QStringList names = QDir(absolute).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                       QDir::Name | QDir::IgnoreCase);
    QStringList subdirectories;
    for (const QString &name : names)
        subdirectories.append(QDir(absolute).filePath(name));

    const bool moved = absolute != m_path;
    m_path = absolute;
    rebuild(ancestorsOf(absolute), subdirectories);
    if (moved)
        Q_EMIT changed();
    return Status::success();
}

void DirectoryList::rebuild(const QStringList &ancestors, const QStringList &subdirectories)
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QTreeWidgetItem *level = nullptr;
    for (const QString &ancestor : ancestors) {
        auto *item = level ? new QTreeWidgetItem(level) : new QTreeWidgetItem(this);
        item->setText(0, entryText(ancestor));
        item->setIcon(0, openIcon);
        item->setData(0, PathRole, ancestor);
        level = item;
    }
    for (const QString &subdirectory : subdirectories) {
        auto *item = new QTreeWidgetItem(level);
        item->setText(0, entryText(subdirectory));
        item->setIcon(0, closedIcon);
        item->setData(0, PathRole, subdirectory);
    }
    expandAll();
    setCurrentItem(level);
    scrollToItem(level);
}

void DirectoryList::open(QTreeWidgetItem *item)
{
    if (!item)
        return;
    if (Status status = setPath(item->data(0, PathRole).toString()); !status)
        Q_EMIT openFailed(status.message());
}

void DirectoryList::drawBranches(QPainter *, const QRect &, const QModelIndex &) const
{
    // Every level is always open; expand arrows would promise otherwise.
}

void DirectoryList::keyPressEvent(QKeyEvent *event)
{
    // Enter on the current directory is left to the dialog, where it presses
    // the default button; on any other entry it opens that entry and nothing else.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QTreeWidgetItem *item = currentItem();
    if (enter && item && item->data(0, PathRole).toString() != m_path) {
        open(item);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace tolvane
