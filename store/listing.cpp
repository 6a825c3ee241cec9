#include "listing.h"

namespace tolvane {

QString objectCountLine(int count)
{
    return QStringLiteral("Number of objects: %1").arg(count);
}

QString nameText(const FixedText<4> &name)
{
    return QString::fromLatin1(name.data(), int(name.size()));
}

QString objectLine(int index, const DirectoryEntry &entry, const ObjectHeader &header)
{
    return QStringLiteral("Object %1: %2 Width: %3 Height: %4")
        .arg(index)
        .arg(nameText(entry.Name))
        .arg(header.Width)
        .arg(header.Height);
}

} // namespace tolvane
