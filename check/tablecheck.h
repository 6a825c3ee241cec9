#pragma once

#include "finding.h"
#include "store/shpitables.h"

#include <QSize>

namespace tolvane {

/// The findings that follow from the tables alone: the chunks named "0000",
/// the objects' names and shared mask files, the places of objects, centres,
/// needles and colour point against the dashboard picture of @p picture size
/// (not checked when it is empty, the picture being unreadable), and the dial
/// record's numbers. Cheap enough to run after every edit.
Findings checkTables(const ShpiTables &tables, QSize picture);

} // namespace tolvane
