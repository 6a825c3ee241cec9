#include "loaddialog.h"

#include "directorylist.h"
#include "drivelist.h"
#include "filelist.h"
#include "store/dashboarddirectory.h"
#include "store/status.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStorageInfo>

namespace tolvane {

namespace {

// The dialog was designed in twips, 15 to a pixel at 96 dots per inch.
constexpr int pixels(int twips)
{
    const int whole = twips / 15;
    return twips % 15 * 2 > 15 ? whole + 1 : whole;
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

// Each control carries its design name as its object name, the name its
// handlers are called after.
template<typename Control>
Control *place(Control *control, const char *name, const QRect &geometry)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

} // namespace

LoadDialog::LoadDialog(QWidget *parent)
    : LoadDialog(QDir::currentPath(), parent)
{
}

LoadDialog::LoadDialog(const QString &startDirectory, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Load SHPI"));
    setModal(true);
    setFixedSize(pixels(4935), pixels(3375));
    createControls();
    showStartDirectory(startDirectory);

    // Connected only now: opening on a directory does not count as a change,
    // so OK stays disabled even when the start directory holds the container.
    connect(m_drive1, &DriveList::changed, this, &LoadDialog::Drive1_Change);
    connect(m_dir1, &DirectoryList::changed, this, &LoadDialog::Dir1_Change);
    connect(m_dir1, &DirectoryList::openFailed, this, &LoadDialog::reportReadFailure);
    connect(m_file1, &FileList::pathChanged, this, &LoadDialog::File1_PathChange);
    connect(m_command1, &QPushButton::clicked, this, &LoadDialog::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &LoadDialog::Command2_Click);
}

void LoadDialog::createControls()
{
    m_label1 = place(new QLabel(tr("Select the SHPI directory you wish to load..."), this),
                     "Label1", twipsRect(120, 0, 3105, 195));
    // Designed for a smaller font than most systems use today: the prompt
    // keeps its place and grows to its text into the free space beside it.
    const QSize wanted = m_label1->sizeHint().boundedTo(QSize(width() - 2 * m_label1->x(), pixels(240)));
    m_label1->resize(m_label1->size().expandedTo(wanted));

    m_file1 = place(new FileList(DashboardDirectory::ContainerName, this), "File1", twipsRect(120, 240, 2295, 2430));
    m_dir1 = place(new DirectoryList(this), "Dir1", twipsRect(2520, 240, 2295, 2115));
    m_drive1 = place(new DriveList(this), "Drive1", twipsRect(2520, 2400, 2295, 315));

    // Carries the result to the caller; nothing for the user to read.
    m_bclick = place(new QLabel(QStringLiteral("BClick"), this), "BClick", twipsRect(120, 2670, 450, 195));
    m_bclick->hide();

    m_command1 = place(new QPushButton(tr("OK"), this), "Command1", twipsRect(120, 2880, 2295, 375));
    m_command1->setDefault(true);
    m_command1->setEnabled(false);
    m_command2 = place(new QPushButton(tr("Cancel"), this), "Command2", twipsRect(2520, 2880, 2295, 375));

    setTabOrder(m_file1, m_drive1);
    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_command1);
    setTabOrder(m_command1, m_command2);
    m_file1->setFocus();
}

void LoadDialog::showStartDirectory(const QString &startDirectory)
{
    // The editor may ask for a place that has gone since; the nearest
    // ancestor that can still be read is the next best start.
    QString candidate = QDir::cleanPath(QDir(startDirectory).absolutePath());
    while (!m_dir1->setPath(candidate)) {
        const QString parent = QFileInfo(candidate).absolutePath();
        if (parent == candidate)
            return;
        candidate = parent;
    }
    // The other lists follow as on any change of Dir1; nothing is connected
    // yet, so OK is not evaluated.
    Dir1_Change();
}

QString LoadDialog::bclickCaption() const
{
    return m_bclick->text();
}

QString LoadDialog::directoryPath() const
{
    return m_dir1->path();
}

void LoadDialog::reject()
{
    Command2_Click();
}

void LoadDialog::Drive1_Change()
{
    const QString drive = m_drive1->drive();
    const QStorageInfo volume(drive);
    if (!volume.isValid() || !volume.isReady()) {
        m_drive1->showDriveOf(m_dir1->path());
        reportReadFailure(Status::fileError(drive, tr("the drive is not ready.")).message());
        return;
    }

    const QString remembered = m_directoryOnDrive.value(drive, drive);
    Status status = m_dir1->setPath(remembered);
    if (!status && remembered != drive)
        status = m_dir1->setPath(drive);
    if (!status) {
        m_drive1->showDriveOf(m_dir1->path());
        reportReadFailure(status.message());
        return;
    }
    m_file1->setPath(m_dir1->path());
}

void LoadDialog::Dir1_Change()
{
    const QString path = m_dir1->path();
    m_directoryOnDrive.insert(DriveList::driveOf(path), path);
    m_drive1->showDriveOf(path);
    m_file1->setPath(path);
}

void LoadDialog::File1_PathChange()
{
    m_command1->setEnabled(m_file1->firstEntry().toUpper() == DashboardDirectory::ContainerName);
}

void LoadDialog::Command1_Click()
{
    m_bclick->setText(QStringLiteral("1"));
    QDialog::accept();
}

void LoadDialog::Command2_Click()
{
    m_bclick->setText(QStringLiteral("0"));
    QDialog::reject();
}

void LoadDialog::reportReadFailure(const QString &message)
{
    Q_EMIT readFailed(message);
    // open(), not exec(): no nested event loop, so the handler that failed
    // returns at once and the dialog is left exactly as it was.
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace tolvane
