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

    connect(m_drives, &DriveList::changed, this, &LoadDialog::showChosenDrive);
    connect(m_directories, &DirectoryList::changed, this, &LoadDialog::showChosenDirectory);
    connect(m_directories, &DirectoryList::openFailed, this, &LoadDialog::reportReadFailure);
    connect(m_files, &FileList::listed, this, &LoadDialog::enableOkForContainer);
    // The one file the list can show is the container: opening it is OK.
    connect(m_files, &QListWidget::itemDoubleClicked, m_ok, &QPushButton::click);
    connect(m_ok, &QPushButton::clicked, this, &LoadDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &LoadDialog::cancel);
    // A dialog opened in a dashboard folder can be confirmed at once.
    enableOkForContainer();
}

void LoadDialog::createControls()
{
    m_prompt = place(new QLabel(tr("Select the SHPI directory you wish to load..."), this),
                     "prompt", twipsRect(120, 0, 3105, 195));
    // Designed for a smaller font than most systems use today: the prompt
    // keeps its place and grows to its text into the free space beside it.
    const QSize wanted = m_prompt->sizeHint().boundedTo(QSize(width() - 2 * m_prompt->x(), pixels(240)));
    m_prompt->resize(m_prompt->size().expandedTo(wanted));

    m_files = place(new FileList(DashboardDirectory::ContainerName, this), "fileList", twipsRect(120, 240, 2295, 2430));
    m_directories = place(new DirectoryList(this), "directoryList", twipsRect(2520, 240, 2295, 2115));
    m_drives = place(new DriveList(this), "driveList", twipsRect(2520, 2400, 2295, 315));

    // Carries the result to the caller; nothing for the user to read.
    m_result = place(new QLabel(QStringLiteral("BClick"), this), "result", twipsRect(120, 2670, 450, 195));
    m_result->hide();

    m_ok = place(new QPushButton(tr("OK"), this), "ok", twipsRect(120, 2880, 2295, 375));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = place(new QPushButton(tr("Cancel"), this), "cancel", twipsRect(2520, 2880, 2295, 375));

    setTabOrder(m_files, m_drives);
    setTabOrder(m_drives, m_directories);
    setTabOrder(m_directories, m_ok);
    setTabOrder(m_ok, m_cancel);
    m_files->setFocus();
}

void LoadDialog::showStartDirectory(const QString &startDirectory)
{
    // The editor may ask for a place that has gone since; the nearest
    // ancestor that can still be read is the next best start.
    QString candidate = QDir::cleanPath(QDir(startDirectory).absolutePath());
    while (!m_directories->setPath(candidate)) {
        const QString parent = QFileInfo(candidate).absolutePath();
        if (parent == candidate)
            return;
        candidate = parent;
    }
    // The other lists follow as on any change of the directory.
    showChosenDirectory();
}

QString LoadDialog::resultCaption() const
{
    return m_result->text();
}

QString LoadDialog::directoryPath() const
{
    return m_directories->path();
}

void LoadDialog::reject()
{
    cancel();
}

void LoadDialog::showChosenDrive()
{
    const QString drive = m_drives->drive();
    const QStorageInfo volume(drive);
    if (!volume.isValid() || !volume.isReady()) {
        m_drives->showDriveOf(m_directories->path());
        reportReadFailure(Status::fileError(drive, tr("the drive is not ready.")).message());
        return;
    }

    const QString remembered = m_directoryOnDrive.value(drive, drive);
    Status status = m_directories->setPath(remembered);
    if (!status && remembered != drive)
        status = m_directories->setPath(drive);
    if (!status) {
        m_drives->showDriveOf(m_directories->path());
        reportReadFailure(status.message());
        return;
    }
    m_files->setPath(m_directories->path());
}

void LoadDialog::showChosenDirectory()
{
    const QString path = m_directories->path();
    m_directoryOnDrive.insert(DriveList::driveOf(path), path);
    m_drives->showDriveOf(path);
    m_files->setPath(path);
}

void LoadDialog::enableOkForContainer()
{
    m_ok->setEnabled(m_files->firstEntry().toUpper() == DashboardDirectory::ContainerName);
}

void LoadDialog::confirm()
{
    m_result->setText(QStringLiteral("1"));
    QDialog::accept();
}

void LoadDialog::cancel()
{
    m_result->setText(QStringLiteral("0"));
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
