#pragma once

#include "store/status.h"

#include <QImage>
#include <QString>

namespace tolvane {

/// Reads the BMP file at @p path, checked against its own headers. Only a
/// regular file is read: a pipe or a device named like a bitmap would wait
/// or read forever.
Status readPictureFile(const QString &path, QImage *picture);

/// Reads the dashboard background "0000.bmp" of @p directory, found in any
/// letter case.
Status readDashboardBackground(const QString &directory, QImage *picture);

} // namespace tolvane
