#pragma once

#include <QDialog>
#include <QHash>

class QLabel;
class QPushButton;

namespace tolvane {

class DirectoryList;
class DriveList;
class FileList;

/// The modal "Load SHPI" dialog in which the user picks a dashboard
/// directory. OK can be pressed only for a directory that holds "SHPI.DAT",
/// also the one it opens on; a double-click on that file in the list is OK.
///
/// exec() returns Accepted after OK, when directoryPath() is the chosen
/// directory; Rejected after Cancel, Esc or closing. A new dialog is made for
/// every showing. It opens at its designed size, larger where the font needs
/// more room, and its lists take what the user adds by resizing it.
class LoadDialog : public QDialog
{
    Q_OBJECT

public:
    /// Opens on the process's current directory.
    explicit LoadDialog(QWidget *parent = nullptr);
    /// Opens on @p startDirectory (empty: the current directory), or on its
    /// nearest readable ancestor when it cannot be read.
    explicit LoadDialog(const QString &startDirectory, QWidget *parent = nullptr);

    /// The directory shown, without a trailing separator except for a root.
    QString directoryPath() const;

Q_SIGNALS:
    /// A drive or directory the user chose cannot be read; the dialog stays
    /// on the directory it showed. A message box says the same to the user.
    void readFailed(const QString &message);

private:
    void showChosenDrive();
    void showChosenDirectory();
    void enableOkForContainer();

    void createControls();
    void showStartDirectory(const QString &startDirectory);
    void reportReadFailure(const QString &message);

    QLabel *m_prompt = nullptr;
    FileList *m_files = nullptr;
    DirectoryList *m_directories = nullptr;
    DriveList *m_drives = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;

    // The directory last shown on each drive, keyed by its root, so that
    // coming back to a drive finds the place the user left.
    QHash<QString, QString> m_directoryOnDrive;
};

} // namespace tolvane
