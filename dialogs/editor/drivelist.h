#pragma once

#include <QComboBox>

namespace tolvane {

/// A classic drive list: the drives on Windows, the mounted volumes elsewhere.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveList(QWidget *parent = nullptr);

    /// The root directory of the drive that holds @p path, as drive() gives
    /// it; empty when @p path does not exist.
    static QString driveOf(const QString &path);

    /// The root directory of the chosen drive.
    QString drive() const;

    /// Chooses the drive that holds @p path without emitting changed(), so
    /// the list follows the directory list into another volume.
    void showDriveOf(const QString &path);

Q_SIGNALS:
    /// The user chose another drive.
    void changed();

private:
    int addDrive(const QString &rootPath, const QString &name);

    bool m_following = false;
};

} // namespace tolvane
