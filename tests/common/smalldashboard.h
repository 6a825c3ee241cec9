#pragma once

// A dashboard that loads quickly: the background entry "0000" and one other
// object "abcd" (without artwork), and a plain background picture.

#include "common/containerbuilder.h"

#include <QDir>
#include <QImage>

namespace testing_support {

/// Writes the dashboard into @p dir, created when missing, with the container
/// named @p containerName; returns @p dir.
inline QString writeSmallDashboard(const QString &dir, const QSize &size = QSize(200, 100),
                                   const QString &containerName = QStringLiteral("SHPI.DAT"))
{
    QDir().mkpath(dir);
    ContainerBuilder c;
    TestObject back;
    back.directoryName = "0000";
    TestObject other;
    other.directoryName = "abcd";
    c.objects = {back, other};
    writeFile(dir + "/" + containerName, c.build());
    QImage background(size, QImage::Format_RGB32);
    background.fill(qRgb(10, 20, 30));
    background.save(dir + "/0000.bmp", "BMP");
    return dir;
}

} // namespace testing_support
