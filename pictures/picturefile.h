#pragma once

#include "store/status.h"

#include <QImage>
#include <QString>

namespace tolvane {

/// Reads the dashboard background "0000.bmp" of @p directory, found in any
/// letter case.
Status readDashboardBackground(const QString &directory, QImage *picture);

} // namespace tolvane
