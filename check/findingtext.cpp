#include "findingtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane {

namespace {

QString fieldName(DialField field)
{
    for (const DialFieldInfo &info : DialFields) {
        if (info.field == field)
            return QLatin1String(info.name);
    }
    return {};
}

QString counted(int count, const char *noun)
{
    return QStringLiteral("%1 %2%3").arg(QString::number(count), QLatin1String(noun),
                                         count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace

QString severityText(Finding::Severity severity)
{
    return severity == Finding::Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QString findingSubject(const Finding &finding)
{
    if (finding.object >= 0)
        return QStringLiteral("object %1 %2").arg(QString::number(finding.object), finding.objectName);
    return finding.field ? fieldName(*finding.field) : QString();
}

QString findingLine(const Finding &finding)
{
    const QString subject = findingSubject(finding);
    return QStringLiteral("%1: %2%3: %4; %5")
        .arg(severityText(finding.severity), subject.isEmpty() ? QString() : subject + QStringLiteral(": "),
             finding.file, finding.what, finding.todo);
}

QString findingsSummary(const Findings &findings)
{
    return QStringLiteral("%1, %2").arg(counted(countFindings(findings, Finding::Severity::Error), "error"),
                                        counted(countFindings(findings, Finding::Severity::Warning), "warning"));
}

QByteArray findingsJson(const Findings &findings)
{
    QJsonArray array;
    for (const Finding &f : findings) {
        array.append(QJsonObject{
            {QStringLiteral("severity"), severityText(f.severity)},
            {QStringLiteral("object"), f.object >= 0 ? QJsonValue(f.object) : QJsonValue()},
            {QStringLiteral("name"), f.objectName},
            {QStringLiteral("field"), f.field ? QJsonValue(fieldName(*f.field)) : QJsonValue()},
            {QStringLiteral("file"), f.file},
            {QStringLiteral("what"), f.what},
            {QStringLiteral("todo"), f.todo},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace tolvane
