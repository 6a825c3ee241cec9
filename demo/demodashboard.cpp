#include "demodashboard.h"
#include "democontainer.h"
#include "demoobjects.h"
#include "gaugepainter.h"
#include "masks/extractmasks.h"
#include "masks/maskbitmap.h"
#include "pictures/bundledfont.h"
#include "store/dashboarddirectory.h"
#include "store/listing.h"
#include "store/safewrite.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

namespace tolvane {

namespace {

Status writeFile(const QString &path, const QByteArray &bytes)
{
    return writeFileSafely(path, [&](QIODevice &out) { return out.write(bytes) == bytes.size(); });
}

Status writeBitmap(const QString &path, const QImage &image)
{
    // A 32-bit image is written as a 24-bit bitmap.
    return writeFileSafely(path, [&](QIODevice &out) { return QImageWriter(&out, "bmp").write(image); });
}

/// The directory being filled, and what was made in it, so that a failure
/// can take it all back.
class DemoTarget
{
public:
    explicit DemoTarget(const QString &path) : m_path(QDir::cleanPath(path)) {}

    Status create()
    {
        if (m_path.isEmpty())
            return Status::failure(QStringLiteral("No directory was given for the demo dashboard"));
        const QFileInfo info(m_path);
        if (info.exists() && !info.isDir())
            return Status::fileError(m_path, QStringLiteral("exists and is not a directory"));
        if (info.exists()) {
            const auto filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
            if (!QDir(m_path).isEmpty(filters))
                return Status::fileError(m_path, QStringLiteral("is not empty; the demo dashboard is only written "
                                                                "into a new or empty directory"));
            return Status::success();
        }
        QString dir = QFileInfo(m_path).absoluteFilePath();
        while (!QFileInfo::exists(dir) && !m_createdDirs.contains(dir)) {
            m_createdDirs.append(dir);
            dir = QFileInfo(dir).absolutePath();
        }
        if (!QDir().mkpath(m_path))
            return Status::fileError(m_path, QStringLiteral("cannot be created"));
        return Status::success();
    }

    /// The path of a file about to be written, which a failure removes.
    QString newFile(const QString &name)
    {
        m_files.append(name);
        return m_path + QLatin1Char('/') + name;
    }

    /// A file that another routine writes under this name.
    void expectNewFile(const QString &name) { m_files.append(name); }

    void removeAll() const
    {
        for (const QString &name : m_files)
            QFile::remove(m_path + QLatin1Char('/') + name);
        for (const QString &dir : m_createdDirs)
            QDir().rmdir(dir);
    }

    const QString &path() const { return m_path; }

private:
    QString m_path;
    QStringList m_files;
    QStringList m_createdDirs; // deepest first
};

Status writeDemoFiles(DemoTarget &target)
{
    const QImage background = demo::paintDashboard();
    const std::vector<demo::DemoObject> objects = demo::demoObjects(background);

    for (const demo::DemoObject &object : objects) {
        const QString name = nameText(object.name);
        if (Status s = writeBitmap(target.newFile(name + QStringLiteral(".bmp")), object.artwork); !s)
            return s;
        if (const std::optional<QString> mask = maskFileName(object.name))
            target.expectNewFile(*mask);
    }
    const QByteArray container = demo::encodeDemoContainer(objects, demo::demoDialRecord());
    if (Status s = writeFile(target.newFile(DashboardDirectory::ContainerName), container); !s)
        return s;

    // The masks come from the container, as the editor's extraction makes
    // them, so the files and the pixel blocks agree by construction.
    DiscardingPrinter silent;
    ShpiTables tables;
    return ExtractMasks(target.path(), silent, tables);
}

} // namespace

Status writeDemoDashboard(const QString &directory)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return Status::fileError(directory, QStringLiteral("cannot draw the demo dashboard without a graphical "
                                                           "application to provide its fonts"));
    if (bundledFontFamily().isEmpty())
        return Status::fileError(directory, QStringLiteral("cannot draw the demo dashboard: its font is missing"));

    DemoTarget target(directory);
    if (Status s = target.create(); !s)
        return s;
    const Status written = writeDemoFiles(target);
    if (!written)
        target.removeAll();
    return written;
}

} // namespace tolvane
