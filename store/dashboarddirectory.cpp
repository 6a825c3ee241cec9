#include "dashboarddirectory.h"
#include "listing.h"
#include "windowsnames.h"

#include <QDir>

namespace tolvane {

DashboardDirectory::DashboardDirectory(const QString &path)
    : m_path(QDir::cleanPath(path))
{
    // Listed once, so that finding hundreds of mask files costs one listing.
    const QDir dir(m_path);
    const auto names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    m_names = QSet<QString>(names.cbegin(), names.cend());
    for (const QString &name : names) {
        const QString folded = name.toCaseFolded();
        if (!m_byFoldedName.contains(folded))
            m_byFoldedName.insert(folded, name);
    }
}

QString DashboardDirectory::existingFile(const QString &name) const
{
    // The name as listed, so that a message names the file as the user sees
    // it also where the system itself ignores letter case; then a file made
    // since the listing.
    if (m_names.contains(name))
        return m_path + QLatin1Char('/') + name;
    if (const auto it = m_byFoldedName.constFind(name.toCaseFolded()); it != m_byFoldedName.cend())
        return m_path + QLatin1Char('/') + it.value();
    return QFileInfo::exists(m_path + QLatin1Char('/') + name) ? m_path + QLatin1Char('/') + name : QString();
}

QString DashboardDirectory::filePath(const QString &name) const
{
    const QString existing = existingFile(name);
    return existing.isEmpty() ? m_path + QLatin1Char('/') + name : existing;
}

std::optional<QString> DashboardDirectory::fileNamePart(const FixedText<4> &name)
{
    std::optional<QString> part = portableFileNamePart(name);
#ifdef Q_OS_WIN
    if (part && windowsReadsOtherwise(*part))
        return std::nullopt;
#endif
    return part;
}

std::optional<QString> DashboardDirectory::portableFileNamePart(const FixedText<4> &name)
{
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '/' || c == '\\')
            return std::nullopt;
    }
    return nameText(name);
}

} // namespace tolvane
