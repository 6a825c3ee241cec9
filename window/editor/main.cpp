// tolvane: the dashboard editor.

#include "document/editor/recentdashboards.h"
#include "pictures/qtwarnings.h"
#include "window/editor/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

namespace {

// Qt aborts when it finds no display; say so plainly instead.
bool displayAvailable()
{
#ifdef Q_OS_WIN
    return true; // every Windows session has its desktop
#endif
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// For the start-up benchmark: ends the program once the dashboard has been
// painted for the first time.
class FirstPaintExit : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    bool wantsHelp = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        wantsHelp |= arg == "--help" || arg == "-h" || arg == "--version" || arg == "-v" || arg == "--help-all";
    }
    if (!wantsHelp && !displayAvailable()) {
        std::fprintf(stderr, "tolvane: no display was found (DISPLAY is not set). Run it in a desktop session, "
                             "or under xvfb-run.\n");
        return 1;
    }
    if (wantsHelp && !displayAvailable())
        qputenv("QT_QPA_PLATFORM", "offscreen");

    tolvane::hideRuntimeDirectoryWarning();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    // The name of the desktop entry and of the icon, so that the desktop
    // pairs the window with both.
    QGuiApplication::setDesktopFileName(QStringLiteral(TOLVANE_APP_ID));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Places overlays and tunes the needles of a car's dashboard."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("directory"),
                                 QStringLiteral("A dashboard directory holding SHPI.DAT, or that SHPI.DAT, "
                                                "opened at start."),
                                 QStringLiteral("[directory]"));
    parser.process(app);

    tolvane::MainWindow window;
    window.restoreSettings();
    window.show();
    const QStringList directories = parser.positionalArguments();
    if (!directories.isEmpty()) {
        // A file manager hands over SHPI.DAT itself as readily as its folder.
        const QString given = QDir(directories.first()).absolutePath();
        const QString dashboard = tolvane::dashboardDirectoryFor(given);
        window.openDirectory(dashboard.isEmpty() ? given : dashboard);
    }
    if (qEnvironmentVariableIsSet("TOLVANE_EXIT_AFTER_FIRST_PAINT"))
        window.findChild<QWidget *>(QStringLiteral("dashboard"))->installEventFilter(new FirstPaintExit(&window));
    return app.exec();
}
