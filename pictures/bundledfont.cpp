#include "bundledfont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace tolvane {

QString bundledFontFamily()
{
    static QString family;
    // Without a QGuiApplication there is no font database to register with
    // (and no text to draw); try again once there is one.
    if (family.isEmpty() && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        for (const char *file : {":/fonts/DejaVuSans.ttf", ":/fonts/DejaVuSans-Bold.ttf", ":/fonts/DejaVuSans-BoldOblique.ttf"}) {
            const QStringList families = QFontDatabase::applicationFontFamilies(
                QFontDatabase::addApplicationFont(QString::fromLatin1(file)));
            if (family.isEmpty() && !families.isEmpty())
                family = families.constFirst();
        }
    }
    return family;
}

} // namespace tolvane
