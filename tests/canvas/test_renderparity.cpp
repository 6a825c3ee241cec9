#include "common/editorparts.h"
#include "common/objectfixture.h"

#include "demo/demodashboard.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace testing_support;

class TestRenderParity : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    // What `tolvane-cli render` draws of @p demo with @p options.
    QImage rendered(const QString &demo, const QStringList &options)
    {
        const QString out = m_root.filePath(QStringLiteral("rendered.png"));
        if (QProcess::execute(QStringLiteral(TOLVANE_CLI), QStringList{"render", demo, out} + options) != 0)
            return QImage();
        return QImage(out);
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
};

QTEST_MAIN(TestRenderParity)
#include "test_renderparity.moc"
