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
/// directory. OK can be pressed only for a directory that holds "SHPI.DAT".
///
/// The caller shows it modally, then reads bclickCaption(): "1" means
/// confirmed, anything else cancelled; when confirmed, directoryPath() is the
/// chosen directory. A new dialog is made for every showing.
class LoadDialog : public QDialog
{
    Q_OBJECT

public:
    /// Opens on the process's current directory.
    explicit LoadDialog(QWidget *parent = nullptr);
    /// Opens on @p startDirectory (empty: the current directory), or on its
    /// nearest readable ancestor when it cannot be read.
    explicit LoadDialog(const QString &startDirectory, QWidget *parent = nullptr);

    /// "1" after OK, "0" after Cancel, Esc or closing, "BClick" before either.
    QString bclickCaption() const;
    /// The directory shown, without a trailing separator except for a root.
    QString directoryPath() const;

    /// Cancel; also what Esc and the window's close button do.
    void reject() override;

Q_SIGNALS:
    /// A drive or directory the user chose cannot be read; the dialog stays
    /// on the directory it showed. A message box says the same to the user.
    void readFailed(const QString &message);

private:
    void Drive1_Change();
    void Dir1_Change();
    void File1_PathChange();
    void Command1_Click();
    void Command2_Click();

    void createControls();
    void showStartDirectory(const QString &startDirectory);
    void reportReadFailure(const QString &message);

    QLabel *m_label1 = nullptr;
    FileList *m_file1 = nullptr;
    DirectoryList *m_dir1 = nullptr;
    DriveList *m_drive1 = nullptr;
    QLabel *m_bclick = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;

    // The directory last shown on each drive, keyed by its root, so that
    // coming back to a drive finds the place the user left.
    QHash<QString, QString> m_directoryOnDrive;
};

} // namespace tolvane
