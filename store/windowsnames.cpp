#include "windowsnames.h"

#include <QStringList>

namespace tolvane {

namespace {

bool isReservedDevice(QStringView base)
{
    // Windows ignores trailing spaces and dots when it matches device names.
    while (!base.isEmpty() && (base.back() == u' ' || base.back() == u'.'))
        base.chop(1);
    static const QStringList plain = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                      QStringLiteral("NUL")};
    for (const QString &device : plain) {
        if (base.compare(device, Qt::CaseInsensitive) == 0)
            return true;
    }
    if (base.size() != 4)
        return false;
    const QStringView port = base.first(3);
    if (port.compare(u"COM", Qt::CaseInsensitive) != 0 && port.compare(u"LPT", Qt::CaseInsensitive) != 0)
        return false;
    // The superscript digits of Latin-1 name ports too.
    const QChar number = base[3];
    return (number >= u'1' && number <= u'9') || number == u'\u00b9' || number == u'\u00b2' || number == u'\u00b3';
}

} // namespace

bool windowsReadsOtherwise(const QString &part)
{
    for (const QChar c : part) {
        if (c.unicode() < 0x20 || QStringView(u"<>:\"/\\|?*").contains(c))
            return true;
    }
    return isReservedDevice(QStringView(part).left(part.indexOf(u'.')));
}

} // namespace tolvane
