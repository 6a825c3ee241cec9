#include "qtwarnings.h"

#include <QString>
#include <QtGlobal>

namespace tolvane {

namespace {

QtMessageHandler previousHandler = nullptr;

// A GUI application asks Qt for the runtime directory only to find out
// whether it runs in a Flatpak sandbox, and Qt warns when XDG_RUNTIME_DIR is
// unset, as it is for root and in most containers. Nothing of ours uses that
// directory, so the warning tells the user nothing about what they asked for.
void dropRuntimeDirectoryWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    previousHandler(type, context, message);
}

} // namespace

void hideRuntimeDirectoryWarning()
{
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(dropRuntimeDirectoryWarning);
}

} // namespace tolvane
