#pragma once

#include "finding.h"

#include <QByteArray>
#include <QString>

namespace tolvane {

/// "error" or "warning".
QString severityText(Finding::Severity severity);
/// What the finding concerns: "object 3 BRAK", a dial field's name, or empty.
QString findingSubject(const Finding &finding);
/// One line: "error: object 3 BRAK: SHPIBRAK.BMP: what is wrong; what to do".
QString findingLine(const Finding &finding);
/// "2 errors, 1 warning".
QString findingsSummary(const Findings &findings);
/// The findings as a JSON array of objects with the keys severity, object
/// (the index, or null), name, field (or null), file, what and todo.
QByteArray findingsJson(const Findings &findings);

} // namespace tolvane
