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

QString printableName(const FixedText<4> &name)
{
    QString text;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '\\')
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QChar(byte);
    }
    return text;
}

QString objectLine(int index, const DirectoryEntry &entry, const ObjectHeader &header)
{
    // One pass: a name such as "%1%2" is printed as it stands, where chained
    // arg() calls would take its placeholders for the next numbers' places.
    return QStringLiteral("Object %1: %2 Width: %3 Height: %4")
        .arg(QString::number(index), nameText(entry.Name), QString::number(header.Width),
             QString::number(header.Height));
}

} // namespace tolvane
