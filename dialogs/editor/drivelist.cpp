#include "drivelist.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace tolvane {

namespace {

constexpr int RootRole = Qt::UserRole;

} // namespace

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    // A volume's long name shows in the list that drops down; it does not
    // widen the dialog.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
#ifdef Q_OS_WIN
    // Every drive letter, also a drive without a medium: choosing it then says
    // that it is not ready.
    for (const QFileInfo &drive : QDir::drives())
        addDrive(drive.absoluteFilePath(), QString());
#else
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo &a, const QStorageInfo &b) { return a.rootPath() < b.rootPath(); });
    for (const QStorageInfo &volume : volumes) {
        // Containers mount single files (/etc/hosts) as volumes; they hold no directories.
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir())
            addDrive(volume.rootPath(), volume.name());
    }
#endif
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_following)
            Q_EMIT changed();
    });
}

int DriveList::addDrive(const QString &rootPath, const QString &name)
{
    const QString root = QDir::cleanPath(rootPath);
    QString text = QDir::toNativeSeparators(root);
    if (!name.isEmpty())
        text += QStringLiteral(" [%1]").arg(name);
    addItem(text, root);
    return count() - 1;
}

QString DriveList::driveOf(const QString &path)
{
    const QStorageInfo volume(path);
    return volume.isValid() ? QDir::cleanPath(volume.rootPath()) : QString();
}

QString DriveList::drive() const
{
    return currentData(RootRole).toString();
}

void DriveList::showDriveOf(const QString &path)
{
    const QString root = driveOf(path);
    if (root.isEmpty())
        return;
    int index = findData(root, RootRole);
    if (index < 0)
        index = addDrive(root, QStorageInfo(root).name());
    m_following = true;
    setCurrentIndex(index);
    m_following = false;
}

} // namespace tolvane
