#pragma once

#include "store/records.h"

#include <QString>

#include <optional>
#include <vector>

namespace tolvane {

/// One fault of a dashboard that a modder would otherwise find by starting
/// the game: what it concerns, in which file, what is wrong and what to do.
struct Finding
{
    enum class Severity { Error, Warning };

    Severity severity = Severity::Error;
    /// The object's index in the table and its printable name; -1 when the
    /// finding concerns no single object.
    int object = -1;
    QString objectName;
    /// The dial field concerned, if any.
    std::optional<DialField> field;
    /// The file's name inside the dashboard.
    QString file;
    QString what;
    QString todo;

    friend bool operator==(const Finding &, const Finding &) = default;
};

using Findings = std::vector<Finding>;

/// @p a and @p b as one list in the order every user of the check shows:
/// the dashboard's own findings first, then the objects' by index, then the
/// dial record's, each group in the order found.
Findings mergeFindings(Findings a, const Findings &b);

int countFindings(const Findings &findings, Finding::Severity severity);

} // namespace tolvane
