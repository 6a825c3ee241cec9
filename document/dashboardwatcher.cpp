#include "document/dashboardwatcher.h"

#include "canvas/drawobject.h"
#include "document/dashboarddocument.h"
#include "masks/maskbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/systemfiles.h"

namespace tolvane {

DashboardWatcher::DashboardWatcher(DashboardDocument &document, QObject *parent)
    : QObject(parent)
    , m_document(document)
{
    m_attempts.fill(NotPending);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(SettleMs);
    // Every further change restarts the wait: a file is read once it rests.
    connect(&m_files, &QFileSystemWatcher::directoryChanged, &m_settleTimer, qOverload<>(&QTimer::start));
    connect(&m_files, &QFileSystemWatcher::fileChanged, &m_settleTimer, qOverload<>(&QTimer::start));
    connect(&m_settleTimer, &QTimer::timeout, this, &DashboardWatcher::settle);
    connect(&document, &DashboardDocument::loaded, this, &DashboardWatcher::watchDocument);
    connect(&document, &DashboardDocument::selectionChanged, this, &DashboardWatcher::watchSelection);
}

void DashboardWatcher::watchDocument()
{
    m_directory = m_document.directory();
    m_attempts.fill(NotPending);
    m_settleTimer.stop();
    if (!m_files.directories().isEmpty())
        m_files.removePaths(m_files.directories());
    m_files.addPath(m_directory);
    const DashboardDirectory directory(m_directory);
    for (Part part : Parts)
        m_stamps[part] = stamp(part, directory);
    watchExistingFiles(directory);
}

int DashboardWatcher::watchedObject() const
{
    const int selected = m_document.selectedObject();
    return selected > 0 ? selected : -1;
}

void DashboardWatcher::watchSelection()
{
    m_attempts[ObjectBitmaps] = NotPending;
    const DashboardDirectory directory(m_directory);
    m_stamps[ObjectBitmaps] = stamp(ObjectBitmaps, directory);
    watchExistingFiles(directory);
}

QStringList DashboardWatcher::fileNames(Part part) const
{
    switch (part) {
    case Container:
        return {DashboardDirectory::ContainerName};
    case Background:
        return {DashboardDirectory::BackgroundName};
    case ObjectBitmaps:
        break;
    }
    const int object = watchedObject();
    if (object < 0)
        return {};
    const FixedText<4> &objectName = m_document.tables().objects.directory[size_t(object)].Name;
    const std::optional<QString> name = DashboardDirectory::fileNamePart(objectName);
    const std::optional<QString> maskName = maskFileName(objectName);
    if (!name || !maskName)
        return {};
    return {objectImageFileName(*name), *maskName};
}

QByteArray DashboardWatcher::stamp(Part part, const DashboardDirectory &directory) const
{
    // A file renamed over another has a file number of its own, so even a
    // new file of the same size and time tells apart from the old.
    QByteArray result;
    for (const QString &name : fileNames(part)) {
        const QString path = directory.existingFile(name);
        result += path.toUtf8() + '=' + (path.isEmpty() ? QByteArray() : system_files::fileIdentity(path)) + '\n';
    }
    return result;
}

void DashboardWatcher::watchExistingFiles(const DashboardDirectory &directory)
{
    // A file replaced by a rename drops out of the watch; its successor is
    // watched by name from then on.
    if (!m_files.files().isEmpty())
        m_files.removePaths(m_files.files());
    QStringList paths;
    for (Part part : Parts)
        for (const QString &name : fileNames(part))
            if (const QString path = directory.existingFile(name); !path.isEmpty())
                paths.append(path);
    if (!paths.isEmpty())
        m_files.addPaths(paths);
}

void DashboardWatcher::settle()
{
    if (m_directory.isEmpty())
        return;
    // The document's own operation is writing; what it changed is known once it ends.
    if (m_document.isRunningOperation()) {
        m_settleTimer.start();
        return;
    }
    const DashboardDirectory directory(m_directory);
    watchExistingFiles(directory);
    for (Part part : Parts) {
        const QByteArray now = stamp(part, directory);
        if (now != m_stamps[part]) {
            m_stamps[part] = now;
            m_attempts[part] = 0;
        }
    }
    bool retry = false;
    for (Part part : Parts) {
        if (m_attempts[part] == NotPending)
            continue;
        const Status taken = take(part);
        if (taken) {
            m_attempts[part] = NotPending;
        } else if (++m_attempts[part] >= ReadAttempts) {
            m_attempts[part] = NotPending;
            Q_EMIT unreadable(taken.message());
        } else {
            retry = true;
        }
    }
    if (retry)
        m_settleTimer.start();
}

Status DashboardWatcher::take(Part part)
{
    switch (part) {
    case Container: {
        bool changed = false;
        if (Status s = m_document.checkContainer(&changed); !s)
            return s;
        if (changed)
            Q_EMIT containerChanged();
        return Status::success();
    }
    case Background:
        return m_document.reloadBackground();
    case ObjectBitmaps:
        break;
    }
    const int object = watchedObject();
    if (object < 0)
        return Status::success();
    // Read as the dashboard view reads them, so that what is announced can be shown.
    PictureSurface image, mask;
    if (Status s = prepareObjectBuffers(m_directory, m_document.tables().objects.directory[size_t(object)], image,
                                        mask);
        !s)
        return s;
    Q_EMIT selectedObjectFilesChanged();
    return Status::success();
}

} // namespace tolvane
