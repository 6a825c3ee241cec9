#include "common/editorparts.h"
#include "common/objectfixture.h"
#include "common/programrun.h"
#include "common/recordingprinter.h"

#include "demo/demodashboard.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace testing_support;

class TestRenderParity : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    // What `tolvane-cli render` draws of @p demo with @p options; nothing,
    // with its message in the log, when it fails.
    QImage rendered(const QString &demo, const QStringList &options)
    {
        const QString out = m_root.filePath(QStringLiteral("rendered.png"));
        const ProgramRun render = runToEnd(QStringLiteral(TOLVANE_CLI), QStringList{"render", demo, out} + options);
        if (render.exitCode != 0) {
            qWarning("%s", render.err.constData());
            return QImage();
        }
        return QImage(out);
    }

    // The editor shows what render draws with @p options.
    void verifyRendered(EditorWindow &window, const QString &demo, const QStringList &options)
    {
        const QImage expected = rendered(demo, options);
        QVERIFY2(samePixels(window.image(), expected),
                 qPrintable(options.join(' ') + ": " + firstDifference(window.image(), expected)));
    }

private Q_SLOTS:
    void renderDrawsWhatTheEditorShows()
    {
        const QString demo = m_root.filePath(QStringLiteral("demo"));
        QVERIFY(writeDemoDashboard(demo));
        EditorWindow window;
        QVERIFY(window.openDirectory(demo));
        for (int row = 0; row < window.objectList()->count(); ++row) {
            window.select(row);
            const QImage expected = rendered(demo, {"--select", QString::number(row)});
            QVERIFY2(samePixels(window.image(), expected), qPrintable(firstDifference(window.image(), expected)));
        }
        window.action("dials")->trigger();
        const QImage dials = rendered(demo, {"--dials"});
        QVERIFY2(samePixels(window.image(), dials), qPrintable(firstDifference(window.image(), dials)));
    }

    void showAllObjectsDrawsWhatRenderAllDraws()
    {
        const QString demo = m_root.filePath(QStringLiteral("all"));
        QVERIFY(writeDemoDashboard(demo));
        EditorWindow window;
        QVERIFY(window.openDirectory(demo));
        window.action("showAllObjects")->trigger();
        for (int row = 0; row < window.objectList()->count(); ++row) {
            window.select(row);
            verifyRendered(window, demo, {"--all", "--select", QString::number(row)});
        }

        // An object moved over another, which selected is drawn over it; then
        // the move undone.
        DashboardDocument &document = window.document();
        RecordingPrinter printer;
        const ObjectHeader &first = window.tables().objects.headers[1];
        QVERIFY(document.moveObject(2, QPoint(first.XPos + 5, first.YPos + 3)));
        QVERIFY(document.save(printer));
        verifyRendered(window, demo, {"--all", "--select", "2"});
        window.select(1);
        verifyRendered(window, demo, {"--all", "--select", "1"});
        window.undoStack().undo();
        QVERIFY(document.save(printer));
        verifyRendered(window, demo, {"--all", "--select", QString::number(window.objectList()->currentRow())});

        window.action("dials")->trigger();
        verifyRendered(window, demo, {"--all", "--dials"});
        window.action("objects")->trigger();

        // An object whose mask cannot be read is left out, and named once.
        QVERIFY(QFile::remove(demo + "/SHPIbrk0.BMP"));
        QSignalSpy messages(window.view(), &DashboardView::statusWarning);
        QVERIFY(window.openDirectory(demo));
        verifyRendered(window, demo, {"--all"});
        window.select(1);
        window.select(4);
        verifyRendered(window, demo, {"--all", "--select", "4"});
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0][0].toString().contains("object 3") &&
                     window.statusMessage() == messages[0][0].toString(),
                 qPrintable(messages[0][0].toString()));

        window.action("showAllObjects")->trigger();
        verifyRendered(window, demo, {"--select", "4"});
    }
};

QTEST_MAIN(TestRenderParity)
#include "test_renderparity.moc"
