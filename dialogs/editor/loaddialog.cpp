#include "loaddialog.h"

#include "directorylist.h"
#include "drivelist.h"
#include "filelist.h"
#include "store/dashboarddirectory.h"
#include "store/status.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStorageInfo>

namespace tolvane {

namespace {

// The size the dialog was designed at, in pixels at 96 dots per inch; Qt
// scales it with the screen.
constexpr QSize DesignedSize(329, 225);

// Each control carries its design name as its object name, by which tests find it.
template<typename Control>
Control *named(Control *control, const char *name)
{
    control->setObjectName(QLatin1String(name));
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
    createControls();
    // The layout's minimum, from the font, wins where it is larger.
    resize(DesignedSize.expandedTo(minimumSizeHint()));
    showStartDirectory(startDirectory);

    connect(m_drives, &DriveList::changed, this, &LoadDialog::showChosenDrive);
    connect(m_directories, &DirectoryList::changed, this, &LoadDialog::showChosenDirectory);
    connect(m_directories, &DirectoryList::openFailed, this, &LoadDialog::reportReadFailure);
    connect(m_files, &FileList::listed, this, &LoadDialog::enableOkForContainer);
    // The one file the list can show is the container: opening it is OK.
    connect(m_files, &QListWidget::itemDoubleClicked, m_ok, &QPushButton::click);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A dialog opened in a dashboard folder can be confirmed at once.
    enableOkForContainer();
}

void LoadDialog::createControls()
{
    m_prompt = named(new QLabel(tr("Select the SHPI directory you wish to load..."), this), "prompt");
    m_files = named(new FileList(DashboardDirectory::ContainerName, this), "fileList");
    m_directories = named(new DirectoryList(this), "directoryList");
    m_drives = named(new DriveList(this), "driveList");
    m_ok = named(new QPushButton(tr("OK"), this), "ok");
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = named(new QPushButton(tr("Cancel"), this), "cancel");

    // Two columns of equal width: the files over OK, the directories and the
    // drives over Cancel. The prompt sits close above the lists, the buttons
    // a little apart below them. The lists ask for no width of their own, so
    // that what they hold does not widen one column.
    m_files->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    m_directories->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 0, 8, 8);
    grid->setHorizontalSpacing(7);
    grid->setVerticalSpacing(3);
    grid->addWidget(m_prompt, 0, 0, 1, 2);
    grid->addWidget(m_files, 1, 0, 2, 1);
    grid->addWidget(m_directories, 1, 1);
    grid->addWidget(m_drives, 2, 1);
    grid->setRowMinimumHeight(3, 8);
    grid->addWidget(m_ok, 4, 0);
    grid->addWidget(m_cancel, 4, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

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

QString LoadDialog::directoryPath() const
{
    return m_directories->path();
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
