#include "tablecheck.h"

#include "masks/maskbitmap.h"
#include "store/dashboarddirectory.h"
#include "store/listing.h"
#include "store/windowsnames.h"

#include <QRect>

namespace tolvane {

namespace {

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

QString pointText(int x, int y)
{
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

bool holdsControlBytes(const FixedText<4> &name)
{
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

class TableChecker
{
public:
    TableChecker(const ShpiTables &tables, QSize picture) : m_tables(tables), m_picture(QPoint(0, 0), picture) {}

    Findings run()
    {
        checkDialChunks();
        for (int i = 0; i < m_tables.objects.count(); ++i)
            checkObject(i);
        if (m_tables.hasDialRecord)
            checkDialRecord();
        return std::move(m_findings);
    }

private:
    void add(Finding::Severity severity, int object, std::optional<DialField> field, const QString &file,
             const QString &what, const QString &todo)
    {
        const QString name = object >= 0 ? printableName(m_tables.objects.directory[size_t(object)].Name) : QString();
        m_findings.push_back({severity, object, name, field, file, what, todo});
    }

    void checkDialChunks()
    {
        const auto chunks = m_tables.dialRecordsRead.size();
        if (!m_tables.hasDialRecord)
            add(Finding::Severity::Error, -1, {}, DashboardDirectory::ContainerName,
                QStringLiteral("no chunk is named \"0000\", so the container holds no dial record"),
                QStringLiteral("make the background the object named \"0000\""));
        else if (chunks > 1)
            add(Finding::Severity::Error, -1, {}, DashboardDirectory::ContainerName,
                QStringLiteral("%1 chunks are named \"0000\"; the dial record edited is the last one's").arg(chunks),
                QStringLiteral("keep one object named \"0000\""));
    }

    void checkObject(int index)
    {
        const DirectoryEntry &entry = m_tables.objects.directory[size_t(index)];
        const ObjectHeader &header = m_tables.objects.headers[size_t(index)];
        // Named as on any system, though Windows gives some names no file.
        const std::optional<QString> part = DashboardDirectory::portableFileNamePart(entry.Name);
        const QString maskFile = part ? maskFileName(*part) : QString();
        if (holdsControlBytes(entry.Name))
            add(Finding::Severity::Error, index, {}, maskFile,
                QStringLiteral("the name holds control bytes, so it cannot name the object's files"),
                QStringLiteral("rename the object"));
        else if (windowsReadsOtherwise(nameText(entry.Name)))
            add(Finding::Severity::Error, index, {}, maskFile,
                QStringLiteral("Windows cannot take the name as a file name, so the object has no files there"),
                QStringLiteral("rename the object"));
        if (const int later = laterObjectSharingMaskFile(m_tables.objects.directory, index); later >= 0)
            add(Finding::Severity::Error, index, {}, maskFile,
                QStringLiteral("object %1 (%2) has the same mask file, which holds only that object's mask")
                    .arg(QString::number(later), printableName(m_tables.objects.directory[size_t(later)].Name)),
                QStringLiteral("rename one of the two objects"));

        const QSize size(header.Width, header.Height);
        const QRect placed(QPoint(header.XPos - header.XCentre, header.YPos - header.YCentre), size);
        if (!m_picture.isEmpty() && !m_picture.contains(placed))
            add(Finding::Severity::Warning, index, {}, DashboardDirectory::ContainerName,
                QStringLiteral("its %1 rectangle at %2 lies %3 outside the %4 picture of %5")
                    .arg(sizeText(size), pointText(placed.x(), placed.y()),
                         m_picture.intersects(placed) ? QStringLiteral("partly") : QStringLiteral("wholly"),
                         sizeText(m_picture.size()), DashboardDirectory::BackgroundName),
                QStringLiteral("move it inside the picture"));
        if (!QRect(QPoint(0, 0), size).contains(header.XCentre, header.YCentre))
            add(Finding::Severity::Warning, index, {}, DashboardDirectory::ContainerName,
                QStringLiteral("its centre %1 lies outside the object, which is %2")
                    .arg(pointText(header.XCentre, header.YCentre), sizeText(size)),
                QStringLiteral("set XCentre and YCentre inside the object"));
    }

    void checkPoint(DialField x, DialField y, const char *what)
    {
        const int px = m_tables.dialRecord.field(x);
        const int py = m_tables.dialRecord.field(y);
        if (m_picture.isEmpty() || m_picture.contains(px, py))
            return;
        add(Finding::Severity::Warning, -1, x, DashboardDirectory::ContainerName,
            QStringLiteral("%1 %2 lies outside the %3 picture of %4")
                .arg(QLatin1String(what), pointText(px, py), sizeText(m_picture.size()),
                     DashboardDirectory::BackgroundName),
            QStringLiteral("set it inside the picture in the Dials panel"));
    }

    void checkAtLeast(DialField field, int least, const char *what)
    {
        const int value = m_tables.dialRecord.field(field);
        if (value >= least)
            return;
        add(Finding::Severity::Warning, -1, field, DashboardDirectory::ContainerName,
            QStringLiteral("%1 is %2, less than %3").arg(QLatin1String(what)).arg(value).arg(least),
            QStringLiteral("set it in the Dials panel"));
    }

    void checkDialRecord()
    {
        checkPoint(DialField::SpeedoX, DialField::SpeedoY, "the speedometer needle's pivot");
        checkPoint(DialField::SpeedoMinX, DialField::SpeedoMinY, "the speedometer needle's end at zero");
        checkPoint(DialField::SpeedoMaxX, DialField::SpeedoMaxY, "the speedometer needle's end at MphMax");
        checkPoint(DialField::TachoX, DialField::TachoY, "the tachometer needle's pivot");
        checkPoint(DialField::TachoMinX, DialField::TachoMinY, "the tachometer needle's end at zero");
        checkPoint(DialField::TachoMaxX, DialField::TachoMaxY, "the tachometer needle's end at RpmMax");
        checkPoint(DialField::ColourX, DialField::ColourY, "the needle colour's point");
        checkAtLeast(DialField::MphMax, 1, "MphMax");
        checkAtLeast(DialField::RpmMax, 1, "RpmMax");
        checkAtLeast(DialField::DialWidth, 1, "the needle width DialWidth");
    }

    const ShpiTables &m_tables;
    const QRect m_picture;
    Findings m_findings;
};

} // namespace

Findings checkTables(const ShpiTables &tables, QSize picture)
{
    return TableChecker(tables, picture).run();
}

} // namespace tolvane
