#include "picturefile.h"
#include "checkedbitmap.h"

#include "store/dashboarddirectory.h"

namespace tolvane {

Status readDashboardBackground(const QString &directory, QImage *picture)
{
    return readBitmapFile(DashboardDirectory(directory).filePath(DashboardDirectory::BackgroundName), picture);
}

} // namespace tolvane
