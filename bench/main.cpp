// tolvane-bench: the editor's and the container walk's speed and memory on
// generated inputs, each against a baseline measured in the same run.

#include "benchfixtures.h"
#include "measure.h"

#include "canvas/allobjects.h"
#include "canvas/editor/dashboardview.h"
#include "demo/demodashboard.h"
#include "document/dashboardwatcher.h"
#include "pictures/picturefile.h"
#include "store/dashboarddirectory.h"
#include "store/loadshpi.h"
#include "window/editor/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <optional>

using namespace tolvane;
using namespace tolvane::bench;

namespace {

struct Row
{
    QString workload;
    QString median;
    QString baseline;
    QString ratio;
    QString target;
};

QList<Row> rows;

QString ms(double seconds) { return QString::number(seconds * 1000, 'f', 3) + QStringLiteral(" ms"); }

// @p met is empty for a row without a target of its own.
void report(const QString &workload, double value, const QString &baselineName, double baseline,
            const QString &target, std::optional<bool> met)
{
    const QString verdict = !met ? QString() : *met ? QStringLiteral(" (met)") : QStringLiteral(" (NOT met)");
    rows.append({workload, ms(value), baselineName + QStringLiteral(": ") + ms(baseline),
                 QString::number(value / baseline, 'f', 3), target + verdict});
    std::printf("%-55s %12s   %s %s  ratio %.3f\n", qPrintable(workload), qPrintable(ms(value)),
                qPrintable(baselineName), qPrintable(ms(baseline)), value / baseline);
    std::fflush(stdout);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &at, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// One drag step of object 1 of the dashboard in @p directory with the left
// button held, including the repaint of what changed: a mouse move event on
// the dashboard. Object 1 lies where the window shows it, so every step
// includes its repaint.
enum class OtherObjects { Hidden, Shown };
double dragStep(const QString &directory, int steps, OtherObjects others = OtherObjects::Hidden)
{
    MainWindow window;
    window.setMessageHandler([](const QString &, const QString &message) { qWarning("%s", qPrintable(message)); });
    window.show();
    if (!window.openDirectory(directory))
        qFatal("cannot open %s", qPrintable(directory));
    window.findChild<QAction *>(QStringLiteral("showAllObjects"))->setChecked(others == OtherObjects::Shown);
    window.findChild<QListWidget *>(QStringLiteral("objectList"))->setCurrentRow(1);
    auto *view = window.findChild<DashboardView *>(QStringLiteral("dashboardView"));
    QWidget *dashboard = window.findChild<QWidget *>(QStringLiteral("dashboard"));
    QCoreApplication::processEvents();

    const QPointF grip = view->outline().center();
    sendMouse(dashboard, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    const double result = medianTime(steps, [&] {
        ++step;
        sendMouse(dashboard, QEvent::MouseMove, grip + QPointF(step % 2, step % 3), Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
    });
    sendMouse(dashboard, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);
    return result;
}

double naiveClear(const QSize &size, int runs)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    QImage image = picture.copy();
    return medianTime(runs, [&] { std::memcpy(image.bits(), picture.constBits(), size_t(picture.sizeInBytes())); });
}

// One redraw of the dashboard with every object shown: the dashboard wiped
// back to its picture and every object composited at its place, the bitmaps
// prepared beforehand as the view keeps them.
void redrawAll(const QString &label, const QString &directory, int runs)
{
    ShpiTables tables;
    DiscardingPrinter silent;
    QImage background;
    if (!LoadShpi(directory, silent, tables) || !readDashboardBackground(directory, &background))
        qFatal("cannot load %s", qPrintable(directory));
    PictureSurface dashboard;
    dashboard.setPicture(background);
    AllObjects objects;
    const double prepare = medianTime(std::max(1, runs / 20), [&] {
        if (!objects.prepare(directory, tables.objects).empty())
            qFatal("objects of %s left out", qPrintable(directory));
    });
    const double redraw = medianTime(runs, [&] {
        dashboard.clear();
        objects.draw(dashboard, tables.objects);
    });

    const double copy = naiveClear(background.size(), runs);
    const QString baseline = QStringLiteral("copy of the whole picture");
    const QString what = QStringLiteral("%1 objects on %2 x %3 (%4)")
                             .arg(tables.objects.count() - 1).arg(background.width()).arg(background.height())
                             .arg(label);
    report(QStringLiteral("redraw with all objects shown, ") + what, redraw, baseline, copy, QStringLiteral("< 4 ms"),
           redraw < 0.004);
    report(QStringLiteral("reading and preparing all objects' bitmaps, ") + what, prepare, baseline, copy,
           QStringLiteral("none: once per load or changed file"), std::nullopt);
}

// From the rename of a new mask file over the selected object's mask to the
// dashboard showing it: a bitmap editor's save seen in the real window. The
// mask alternates between two versions, so that every rename changes the picture.
void maskRenameToScreen(int runs)
{
    QTemporaryDir dir;
    const QString demo = dir.filePath(QStringLiteral("demo"));
    if (!writeDemoDashboard(demo))
        qFatal("cannot write the demo dashboard");
    MainWindow window;
    window.setMessageHandler([](const QString &, const QString &message) { qWarning("%s", qPrintable(message)); });
    window.show();
    if (!window.openDirectory(demo))
        qFatal("cannot open the demo dashboard");
    window.findChild<QListWidget *>(QStringLiteral("objectList"))->setCurrentRow(1);
    const auto *view = window.findChild<DashboardView *>(QStringLiteral("dashboardView"));
    QCoreApplication::processEvents();

    const QString mask = QDir(demo).filePath(QStringLiteral("SHPIoil0.BMP"));
    const QString staged = QDir(demo).filePath(QStringLiteral("new.tmp"));
    QImage versions[2];
    versions[0].load(mask);
    versions[1] = versions[0];
    versions[1].invertPixels();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const QImage before = view->image();
        versions[(run + 1) % 2].save(staged, "BMP");
        QElapsedTimer waited;
        waited.start();
        if (std::rename(qPrintable(staged), qPrintable(mask)) != 0)
            qFatal("cannot rename the mask");
        while (view->image() == before) {
            if (waited.elapsed() > 5000)
                qFatal("the new mask was not shown");
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        // The repaint of what changed.
        QCoreApplication::processEvents();
        times.push_back(double(waited.nsecsElapsed()) / 1e9);
    }
    const double rename = median(times);
    const double settle = DashboardWatcher::SettleMs / 1000.0;
    report(QStringLiteral("mask file renamed to new picture shown, demo dashboard"), rename,
           QStringLiteral("the wait for files to rest"), settle, QStringLiteral("< 300 ms"), rename < 0.3);
}

double processMedian(int runs, const QString &program, const QStringList &arguments)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun run = runProcess(program, arguments);
        if (run.exitCode != 0)
            qFatal("%s %s failed", qPrintable(program), qPrintable(arguments.join(' ')));
        times.push_back(run.seconds);
    }
    return median(times);
}

// Linux carries a process's peak memory across exec, and a child spawned from
// this large process would start with its peak. A fresh, small copy of the
// benchmark spawns the command instead and reports the child's peak.
long peakMemoryKiB(const QString &program, const QStringList &arguments)
{
    QProcess measurer;
    measurer.start(QCoreApplication::applicationFilePath(),
                   QStringList{QStringLiteral("--peak-memory"), program} + arguments);
    measurer.waitForFinished(-1);
    return measurer.readAllStandardOutput().trimmed().toLong();
}

void containerWalk(int count, int side, int runs)
{
    QTemporaryDir dir;
    const qint64 bytes = writeLargeContainer(dir.path(), count, side);
    const QString cli = QStringLiteral(TOLVANE_CLI_PATH);
    const QString container = dir.filePath(DashboardDirectory::ContainerName);
    const QString copy = dir.filePath(QStringLiteral("copy.dat"));
    const QString label = QStringLiteral("%1 objects of %2 x %2 (%3 MiB)").arg(count).arg(side).arg(bytes >> 20);

    // Write the mask files once, so that compilation has them.
    processMedian(1, cli, {QStringLiteral("extract"), dir.path()});
    const double cp = processMedian(runs, QStringLiteral("/bin/cp"), {container, copy});
    // A save and an extraction also flush the new files to the disk before
    // they replace the old ones, which cp does not: a durable copy does.
    const double cpFlushed = processMedian(runs, QStringLiteral("/bin/sh"),
                                           {QStringLiteral("-c"), QStringLiteral("cp \"$0\" \"$1\" && sync --data \"$1\""),
                                            container, copy});
    QFile::remove(copy);

    const double load = processMedian(runs, cli, {QStringLiteral("list"), dir.path()});
    report(QStringLiteral("load (list), ") + label, load, QStringLiteral("cp"), cp, QStringLiteral("< 0.25 x cp"),
           load < 0.25 * cp);
    const double save = processMedian(runs, cli, {QStringLiteral("move"), dir.path(), QStringLiteral("1"),
                                                  QStringLiteral("3"), QStringLiteral("4")});
    report(QStringLiteral("save (move), ") + label, save, QStringLiteral("cp"), cp, QStringLiteral("< 1.5 x cp"),
           save < 1.5 * cp);
    report(QStringLiteral("save (move), ") + label, save, QStringLiteral("cp + sync --data"), cpFlushed,
           QStringLiteral("none: the flush the save makes"), std::nullopt);
    const double extract = processMedian(runs, cli, {QStringLiteral("extract"), dir.path()});
    report(QStringLiteral("extract, ") + label, extract, QStringLiteral("cp"), cp,
           QStringLiteral("none: cp does not flush"), std::nullopt);
    report(QStringLiteral("extract, ") + label, extract, QStringLiteral("cp + sync --data"), cpFlushed,
           QStringLiteral("< 1.5 x cp + sync --data"), extract < 1.5 * cpFlushed);
    writeLargeArtworks(dir.path(), count, side);
    const double check = processMedian(runs, cli, {QStringLiteral("check"), dir.path()});
    report(QStringLiteral("check, ") + label, check, QStringLiteral("extract"), extract,
           QStringLiteral("< 2 x extract"), check < 2 * extract);
    const double compile = processMedian(runs, cli, {QStringLiteral("compile"), dir.path()});
    const long extractPeak = peakMemoryKiB(cli, {QStringLiteral("extract"), dir.path()});
    const long compilePeak = peakMemoryKiB(cli, {QStringLiteral("compile"), dir.path()});
    report(QStringLiteral("compile, ") + label, compile, QStringLiteral("cp"), cp, QStringLiteral("< 2 x cp"),
           compile < 2 * cp);

    for (const auto &[name, peak] : {std::pair{QStringLiteral("extract"), extractPeak},
                                     std::pair{QStringLiteral("compile"), compilePeak}}) {
        rows.append({QStringLiteral("peak memory of %1, ").arg(name) + label,
                     QStringLiteral("%1 MiB").arg(double(peak) / 1024, 0, 'f', 1),
                     QStringLiteral("container: %1 MiB").arg(double(bytes) / (1 << 20), 0, 'f', 1),
                     QString::number(double(peak) * 1024 / double(bytes), 'f', 3),
                     QStringLiteral("< 64 MiB") + (peak < 64 * 1024 ? QStringLiteral(" (met)") : QStringLiteral(" (NOT met)"))});
        std::printf("peak memory of %s: %.1f MiB\n", qPrintable(name), double(peak) / 1024);
    }
}

void startUp(int runs)
{
    QTemporaryDir dir;
    const QString demo = dir.filePath(QStringLiteral("demo"));
    const QString cli = QStringLiteral(TOLVANE_CLI_PATH);
    processMedian(1, cli, {QStringLiteral("demo"), demo});

    const double trueTime = processMedian(runs, QStringLiteral("/bin/true"), {});
    qputenv("TOLVANE_EXIT_AFTER_FIRST_PAINT", "1");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const double editor = processMedian(runs, QStringLiteral(TOLVANE_EDITOR_PATH), {demo});
    report(QStringLiteral("editor start to first painted frame, demo dashboard"), editor, QStringLiteral("/bin/true"),
           trueTime, QStringLiteral("< 250 ms"), editor < 0.250);
    const double list = processMedian(runs, cli, {QStringLiteral("list"), demo});
    report(QStringLiteral("tolvane-cli list, demo dashboard"), list, QStringLiteral("/bin/true"), trueTime,
           QStringLiteral("< 30 ms"), list < 0.030);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
        QStringList arguments;
        for (int i = 3; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        std::printf("%ld\n", runProcess(QString::fromLocal8Bit(argv[2]), arguments).peakKiB);
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows shown here and the editors started keep their recent
    // dashboards and geometry in settings of their own: a run must not push
    // the user's own dashboards out of their recent list. (On Windows a
    // started editor still writes its registry settings.)
    const QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures drag steps, the container walk and start-up."));
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("Small inputs, one run: shows it works."));
    parser.addOption(quick);
    parser.process(app);
    const bool isQuick = parser.isSet(quick);
    const int runs = isQuick ? 1 : 7;

    const double naive = naiveClear(QSize(4096, 4096), isQuick ? 1 : 15);
    const QList<std::pair<QSize, QString>> dashboards = {
        {QSize(640, 480), QStringLiteral("< 0.2 ms")},
        {QSize(1920, 1080), QString()},
        {QSize(4096, 4096), QStringLiteral("< 1 ms")},
    };
    for (const auto &[size, target] : dashboards) {
        if (isQuick && size.width() > 640)
            continue;
        QTemporaryDir dir;
        writeDragDashboard(dir.path(), size, 256);
        const double step = dragStep(dir.path(), isQuick ? 50 : 400);
        const double limit = size.width() == 640 ? 0.0002 : 0.001;
        report(QStringLiteral("drag step, 256 x 256 object on %1 x %2").arg(size.width()).arg(size.height()), step,
               QStringLiteral("naive clear of 4096 x 4096"), naive, target.isEmpty() ? QStringLiteral("none") : target,
               target.isEmpty() ? std::nullopt : std::optional<bool>(step < limit));
    }
    {
        QTemporaryDir dir;
        const QString demo = dir.filePath(QStringLiteral("demo"));
        if (!writeDemoDashboard(demo))
            qFatal("cannot write the demo dashboard");
        redrawAll(QStringLiteral("demo"), demo, isQuick ? 5 : 400);
        writeCrowdedDashboard(dir.path(), QSize(1920, 1080), 40);
        redrawAll(QStringLiteral("generated"), dir.path(), isQuick ? 5 : 400);
        const int steps = isQuick ? 50 : 400;
        const double alone = dragStep(dir.path(), steps);
        const double all = dragStep(dir.path(), steps, OtherObjects::Shown);
        report(QStringLiteral("drag step with all objects shown, 40 objects on 1920 x 1080"), all,
               QStringLiteral("the same step with the object alone"), alone, QStringLiteral("< 1.5 x alone"),
               all < 1.5 * alone);
    }
    maskRenameToScreen(isQuick ? 2 : 21);
    containerWalk(isQuick ? 8 : 256, isQuick ? 64 : 512, runs);
    startUp(isQuick ? 1 : 21);

    std::printf("\nMachine: %s, %d cores, Qt %s\n\n", qPrintable(QSysInfo::prettyProductName()),
                QThread::idealThreadCount(), qVersion());
    std::printf("| workload | median | baseline (same run) | ratio | target |\n|---|---|---|---|---|\n");
    for (const Row &r : rows)
        std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(r.workload), qPrintable(r.median),
                    qPrintable(r.baseline), qPrintable(r.ratio), qPrintable(r.target));
    return 0;
}
