// The editor's Problems panel, on the real window.

#include "common/editorparts.h"
#include "common/programrun.h"

#include "check/editor/problemspanel.h"
#include "check/findingtext.h"

#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

using namespace testing_support;
using tolvane::ProblemsPanel;

namespace {

QByteArray cli(const QStringList &arguments)
{
    return runToEnd(QStringLiteral(TOLVANE_CLI), arguments).out;
}

// The row of the first finding about @p subject ("object 3 brk0", "MphMax").
QTreeWidgetItem *rowOf(ProblemsPanel *panel, const QString &subject)
{
    const auto items = panel->findItems(subject, Qt::MatchExactly, 1);
    return items.isEmpty() ? nullptr : items.first();
}

void doubleClick(ProblemsPanel *panel, QTreeWidgetItem *item)
{
    const QPoint at = panel->visualItemRect(item).center();
    QTest::mouseClick(panel->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(panel->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestProblemsPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Windows keeps settings only for a named organisation.
        QCoreApplication::setOrganizationName(QStringLiteral("TolvaneTest"));
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_dir = m_root->filePath(QStringLiteral("dash"));
        cli({QStringLiteral("demo"), m_dir});
        // An artwork gone, a mask edited, MphMax at 0.
        QVERIFY(QFile::remove(m_dir + QStringLiteral("/oil0.bmp")));
        QFile mask(m_dir + QStringLiteral("/SHPIbat0.BMP"));
        QVERIFY(mask.open(QIODevice::ReadWrite));
        mask.seek(1078);
        mask.write("\x01", 1);
        mask.close();
        cli({QStringLiteral("set-dial"), m_dir, QStringLiteral("MphMax=0")});

        m_window = std::make_unique<EditorWindow>();
        m_window->show();
        QVERIFY(m_window->openDirectory(m_dir));
        m_panel = m_window->findChild<ProblemsPanel *>(QStringLiteral("problemsPanel"));
        QVERIFY(m_panel);
    }

    void cleanup()
    {
        m_window->document().undoStack().clear();
        m_window.reset();
    }

    void showsWhatTheCommandLineFinds()
    {
        QCOMPARE(tolvane::findingsJson(m_panel->findings()), cli({QStringLiteral("check"), m_dir,
                                                                   QStringLiteral("--json")}));
        QCOMPARE(m_panel->topLevelItemCount(), int(m_panel->findings().size()));
        QCOMPARE(m_window->label("problemCount")->text(), QStringLiteral("1 error, 2 warnings"));
    }

    void moveWarnsAtOnceAndUndoTakesItBack()
    {
        const QPoint inside(m_window->tables().objects.headers[3].XPos, m_window->tables().objects.headers[3].YPos);
        QVERIFY(m_window->document().moveObject(3, QPoint(700, 10)));
        QVERIFY(rowOf(m_panel, QStringLiteral("object 3 brk0")));
        QCOMPARE(m_window->label("problemCount")->text(), QStringLiteral("1 error, 3 warnings"));
        m_window->action("undo")->trigger();
        QCOMPARE(m_window->tables().objects.headers[3].XPos, inside.x());
        QVERIFY(!rowOf(m_panel, QStringLiteral("object 3 brk0")));
    }

    void doubleClickShowsTheObjectOrTheField()
    {
        doubleClick(m_panel, rowOf(m_panel, QStringLiteral("object 1 oil0")));
        QCOMPARE(m_window->objectList()->currentRow(), 1);
        QVERIFY(m_window->objectsPanel()->isVisible());

        doubleClick(m_panel, rowOf(m_panel, QStringLiteral("MphMax")));
        QVERIFY(m_window->dialPanel()->isVisible());
        QCOMPARE(m_window->focusWidget(), m_window->dialPanel()->findChild<QLineEdit *>("MphMax"));
    }

    void aProblemReadsInFullUnderThePointer()
    {
        QTreeWidgetItem *row = rowOf(m_panel, QStringLiteral("MphMax"));
        const QPoint at(m_panel->header()->sectionViewportPosition(3) + 4, m_panel->visualItemRect(row).center().y());
        QHelpEvent hover(QEvent::ToolTip, at, m_panel->viewport()->mapToGlobal(at));
        QApplication::sendEvent(m_panel->viewport(), &hover);
        QCOMPARE(QToolTip::text(), row->text(3));
    }

    void hidingIsRemembered()
    {
        auto *dock = m_window->findChild<QDockWidget *>(QStringLiteral("problemsDock"));
        m_window->action("showProblems")->trigger();
        QVERIFY(dock->isHidden());
        m_window->close();
        EditorWindow next;
        next.restoreSettings();
        QVERIFY(next.findChild<QDockWidget *>(QStringLiteral("problemsDock"))->isHidden());
        next.action("showProblems")->trigger();
        next.close();
    }

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_dir;
    std::unique_ptr<EditorWindow> m_window;
    ProblemsPanel *m_panel = nullptr;
};

QTEST_MAIN(TestProblemsPanel)
#include "test_problemspanel.moc"
