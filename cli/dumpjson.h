#pragma once

#include "store/shpitables.h"

#include <QByteArray>

namespace tolvane::cli {

/// The tables as one JSON object: ObjectCount, Objects with each object's
/// name and header, and the DialRecord's used fields (null without one).
/// Keys stay in this order, which QJsonObject would sort away.
QByteArray dumpJson(const ShpiTables &tables);

} // namespace tolvane::cli
