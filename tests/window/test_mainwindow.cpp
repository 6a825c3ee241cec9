#include "common/containerbuilder.h"
#include "common/objectfixture.h"
#include "common/smalldashboard.h"
#include "common/snapshots.h"

#include "demo/demodashboard.h"
#include "dialogs/editor/loaddialog.h"
#include "masks/extractmasks.h"
#include "common/editorparts.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScopeGuard>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <limits>

using namespace tolvane;
using namespace testing_support;

namespace {

QStringList listNames(const QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

QStringList captions(const QMenu *menu)
{
    QStringList result;
    for (const QAction *a : menu->actions())
        result.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return result;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_demo;
    QStringList m_messages;

    std::unique_ptr<EditorWindow> newForm()
    {
        auto form = std::make_unique<EditorWindow>();
        form->setMessageHandler([this](const QString &, const QString &message) { m_messages.append(message); });
        m_messages.clear();
        return form;
    }

    // A second dashboard: two objects and a plain background.
    QString smallDashboard(const QString &name, const QSize &size = QSize(200, 100))
    {
        return writeSmallDashboard(m_root.filePath(name), size);
    }

    // Enough objects that an operation is still running when the window has
    // shown its first: the worker keeps only a few objects ahead of it.
    QString manyObjectsDashboard(const QString &name)
    {
        const QString dir = smallDashboard(name);
        ContainerBuilder c;
        TestObject back;
        back.directoryName = "0000";
        c.objects = {back};
        for (int i = 1; i < 50; ++i) {
            TestObject o;
            o.directoryName = QByteArray::number(1000 + i);
            o.width = o.height = 64;
            c.objects.push_back(o);
        }
        writeFile(dir + "/SHPI.DAT", c.build());
        ShpiTables tables;
        DiscardingPrinter silent;
        return ExtractMasks(dir, silent, tables) ? dir : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_demo = m_root.filePath("demo");
        QVERIFY(writeDemoDashboard(m_demo));
    }

    void startState()
    {
        auto form = newForm();
        QCOMPARE(form->windowTitle(), "Tolvane");
        QCOMPARE(captions(form->menu("fileMenu")),
                 QStringList({"&Load SHPI", "Recent &Dashboards", "&Save SHPI Data", "-", "&Extract Masks from SHPI",
                              "&Compile Masks into SHPI", "-", "E&xit"}));
        QCOMPARE(captions(form->menu("editMenu")), QStringList({"&Undo", "&Redo", "-", "&Objects", "&Dials"}));
        QVERIFY(!form->action("undo")->isEnabled());
        QVERIFY(!form->action("redo")->isEnabled());
        QCOMPARE(form->action("undo")->shortcut(), QKeySequence(QKeySequence::Undo));
        QCOMPARE(form->action("redo")->shortcut(), QKeySequence(QKeySequence::Redo));
        QVERIFY(form->action("load")->isEnabled());
        QVERIFY(!form->action("save")->isEnabled());
        QVERIFY(!form->action("extract")->isEnabled());
        QVERIFY(!form->action("compile")->isEnabled());
        QVERIFY(form->action("objects")->isChecked());
        QVERIFY(!form->action("dials")->isChecked());
        QVERIFY(form->objectsPanel()->isVisibleTo(form.get()));
        QVERIFY(!form->dialPanel()->isVisibleTo(form.get()));
        QVERIFY(!form->dashboard()->isVisibleTo(form.get()));
        for (int i = 0; i < DialPanel::BoxCount; ++i)
            QCOMPARE(form->dialBox(i)->text(), "0");
        QVERIFY(!form->windowIcon().isNull());
    }

    void panelSwitch()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        form->objectList()->setCurrentRow(1);
        QVERIFY(form->outlineVisible());

        form->action("dials")->trigger();
        QVERIFY(form->action("dials")->isChecked());
        QVERIFY(!form->action("objects")->isChecked());
        QVERIFY(!form->objectsPanel()->isVisibleTo(form.get()));
        QVERIFY(form->dialPanel()->isVisibleTo(form.get()));
        QCOMPARE(form->dialPanel()->y(), 0);
        QVERIFY(!form->outlineVisible());
        const QImage withDials = form->image();
        QVERIFY(withDials != form->document().background().convertToFormat(withDials.format()));

        // The checked panel again: nothing changes, nothing is drawn.
        const QImage before = form->image();
        form->action("dials")->trigger();
        QVERIFY(form->action("dials")->isChecked());
        QCOMPARE(form->image(), before);

        // Back to Objects: the dials stay drawn, the panel stays at 0 from now on.
        form->action("objects")->trigger();
        QVERIFY(form->action("objects")->isChecked());
        QVERIFY(!form->action("dials")->isChecked());
        QVERIFY(form->objectsPanel()->isVisibleTo(form.get()));
        QCOMPARE(form->image(), before);
        form->action("objects")->trigger();
        QVERIFY(form->action("objects")->isChecked());
        form->action("dials")->trigger();
        QCOMPARE(form->dialPanel()->y(), 0);
    }

    // In a large font each panel of the side bar shows its title and its
    // controls' text whole, none covering another, and the dashboard view
    // takes the rest of the window at any size.
    void sideBarFollowsTheFont()
    {
        const QFont before = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
        QFont large = before;
        large.setPixelSize(24);
        QApplication::setFont(large);
        auto form = newForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        QWidget *sideBar = form->sideBar();
        for (const char *panel : {"objects", "dials"}) {
            form->action(panel)->trigger();
            QList<QWidget *> controls;
            for (QWidget *control : sideBar->findChildren<QWidget *>()) {
                if (control->isVisible() && (qobject_cast<QLabel *>(control) || qobject_cast<QPushButton *>(control) ||
                                             qobject_cast<QAbstractItemView *>(control) ||
                                             qobject_cast<QLineEdit *>(control) || qobject_cast<QSlider *>(control)))
                    controls.append(control);
            }
            for (const QWidget *control : controls) {
                const QRect placed(control->mapTo(sideBar, QPoint()), control->size());
                QVERIFY2(sideBar->rect().contains(placed), qPrintable(control->objectName()));
                // Below the title of the panel's frame.
                QVERIFY2(placed.top() >= control->fontMetrics().height(), qPrintable(control->objectName()));
                if (!qobject_cast<const QSlider *>(control)) {
                    QVERIFY2(control->height() >= control->fontMetrics().height(), qPrintable(control->objectName()));
                    QVERIFY2(control->width() >= control->minimumSizeHint().width(), qPrintable(control->objectName()));
                }
                for (const QWidget *other : controls) {
                    const QRect otherPlaced(other->mapTo(sideBar, QPoint()), other->size());
                    QVERIFY2(other == control || !placed.intersects(otherPlaced),
                             qPrintable(control->objectName() + " " + other->objectName()));
                }
            }
        }

        for (const QSize &size : {QSize(1200, 1000), form->minimumSizeHint()}) {
            form->resize(size);
            const QSize interior = form->centralWidget()->size();
            QCOMPARE(form->view()->geometry(),
                     QRect(sideBar->width(), 0, interior.width() - sideBar->width(), interior.height()));
        }
    }

    void loadShowsTheDashboard()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(listNames(form->objectList()).size(), 6);
        QCOMPARE(listNames(form->objectList()).first(), "0000");
        QVERIFY(form->dashboard()->isVisibleTo(form.get()));
        QCOMPARE(form->image().size(), QSize(640, 480));
        QVERIFY(form->action("save")->isEnabled() && form->action("extract")->isEnabled() && form->action("compile")->isEnabled());
        const DialRecord &dial = form->tables().dialRecord;
        QCOMPARE(form->dialBox(1)->text(), QString::number(dial.field(DialField::MphMax)));
        QCOMPARE(form->dialBox(14)->text(), QString::number(dial.field(DialField::TachoMinY)));
        const QImage picture = form->document().background();
        const QRgb sample = picture.pixel(dial.field(DialField::ColourX), dial.field(DialField::ColourY));
        QCOMPARE(form->dialPanel()->swatch(), fromQRgb(sample));
        QCOMPARE(QDir(form->document().directory()), QDir(m_demo));
    }

    void theListingOnTheDashboardShowsNamesAsTheyStand()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(smallDashboard("before")));
        const QString dir = smallDashboard("placeholders");
        ContainerBuilder c = exampleContainer();
        c.objects[1].directoryName = "%1%2";
        QVERIFY(writeFile(dir + "/SHPI.DAT", c.build()));
        // The listing is printed over the dashboard shown as the file is
        // read, and goes with it once the new dashboard is loaded.
        QStringList printed;
        connect(form->findChild<QProgressBar *>("operationProgress"), &QProgressBar::valueChanged, this,
                [&] { printed = form->view()->printedLines(); });
        QVERIFY(form->openDirectory(dir));
        QCOMPARE(printed, QStringList({"Number of objects: 2", "Object 0: 0000 Width: 8 Height: 5",
                                       "Object 1: %1%2 Width: 25 Height: 12"}));
        QVERIFY(form->view()->printedLines().isEmpty());
    }

    void theProgressOfManyObjectsReadsInFull()
    {
        auto form = newForm();
        const QString dir = smallDashboard("many");
        ContainerBuilder c = exampleContainer();
        for (int i = 2; i < 1200; ++i)
            c.objects.push_back(TestObject{QByteArray::number(i).rightJustified(4, '0')});
        QVERIFY(writeFile(dir + "/SHPI.DAT", c.build()));
        auto *progress = form->findChild<QProgressBar *>("operationProgress");
        int widestText = 0, narrowestBar = std::numeric_limits<int>::max();
        connect(progress, &QProgressBar::valueChanged, this, [&] {
            widestText = std::max(widestText, progress->fontMetrics().horizontalAdvance(progress->text()));
            narrowestBar = std::min(narrowestBar, progress->contentsRect().width());
        });
        QVERIFY(form->openDirectory(dir));
        QVERIFY(widestText > 0);
        QVERIFY2(widestText < narrowestBar, qPrintable(QString("text %1 px, bar %2 px").arg(widestText).arg(narrowestBar)));
    }

    void theLoadDialogOpensAtTheDashboard()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        QString shown;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<LoadDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            shown = dialog->directoryPath();
            dialog->reject();
        });
        form->action("load")->trigger();
        QCOMPARE(QFileInfo(shown).canonicalFilePath(), QFileInfo(m_demo).canonicalFilePath());
        QCOMPARE(QDir(form->document().directory()), QDir(m_demo));
    }

    void secondLoadReplacesTheList()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        form->objectList()->setCurrentRow(2);
        const QString small = smallDashboard("second");
        QVERIFY(form->openDirectory(small));
        QCOMPARE(listNames(form->objectList()), QStringList({"0000", "abcd"}));
        QCOMPARE(form->image().size(), QSize(200, 100));
        QVERIFY(!form->outlineVisible());
        QCOMPARE(form->document().directory(), small);
    }

    void cancelAndRefusedLoadsChangeNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("cancel") << "";
        QTest::newRow("damaged container") << "container";
        QTest::newRow("missing background") << "background";
    }

    void cancelAndRefusedLoadsChangeNothing()
    {
        QFETCH(QString, damage);
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        const QString other = smallDashboard("refused-" + damage);
        if (damage == "container")
            writeFile(other + "/SHPI.DAT", readFile(other + "/SHPI.DAT").left(50));
        if (damage == "background")
            QFile::remove(other + "/0000.bmp");
        form->setDirectoryPrompt([&] { return damage.isEmpty() ? QString() : other; });
        const QStringList names = listNames(form->objectList());
        const auto headers = form->tables().objects.headers;
        const DialRecord dial = form->tables().dialRecord;
        const QImage picture = form->document().background();

        // The needles drawn below the listing's lines, to be cleared.
        const QRect belowListing(0, 100, 640, 380);
        form->action("dials")->trigger();
        QVERIFY(!samePixels(form->image().copy(belowListing), picture.copy(belowListing)));
        form->action("load")->trigger();

        QCOMPARE(listNames(form->objectList()), names);
        QCOMPARE(form->tables().objects.headers, headers);
        QCOMPARE(form->tables().dialRecord, dial);
        QCOMPARE(form->document().background(), picture);
        QCOMPARE(QDir(form->document().directory()), QDir(m_demo));
        QCOMPARE(m_messages.size(), damage.isEmpty() ? 0 : 1);
        if (!damage.isEmpty())
            QVERIFY2(m_messages.first().contains(QDir::toNativeSeparators(other)), qPrintable(m_messages.first()));
        // The drawing is cleared either way.
        QVERIFY(samePixels(form->image().copy(belowListing), picture.copy(belowListing)));
    }

    void scrollRanges_data()
    {
        QTest::addColumn<int>("extra");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("exact fit") << 0 << false;
        QTest::newRow("300 taller") << 300 << true;
    }

    void scrollRanges()
    {
        QFETCH(int, extra);
        QFETCH(bool, enabled);
        auto form = newForm();
        form->show();
        const int viewHeight = form->view()->height() - form->scrollBar(Qt::Horizontal)->height();
        QVERIFY(form->openDirectory(smallDashboard(QString("scroll%1").arg(extra), QSize(100, viewHeight + extra))));
        QScrollBar *bar = form->scrollBar(Qt::Vertical);
        QCOMPARE(bar->isEnabled(), enabled);
        QCOMPARE(form->scrollBar(Qt::Horizontal)->isEnabled(), false);
        if (enabled) {
            QCOMPARE(bar->minimum(), -extra);
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
            bar->setValue(bar->minimum());
            QCOMPARE(form->dashboard()->y(), -extra);
            // Growing the window until the dashboard fits puts it back at 0.
            form->resize(form->width(), form->height() + extra);
            QVERIFY(!bar->isEnabled());
        }
        QCOMPARE(form->dashboard()->y(), 0);
    }

    void extractAndCompileThroughTheMenu()
    {
        const QString dir = m_root.filePath("masks");
        QVERIFY(writeDemoDashboard(dir));
        for (const QString &mask : QDir(dir).entryList({"SHPI*.BMP"}))
            QFile::remove(dir + "/" + mask);
        auto form = newForm();
        QVERIFY(form->openDirectory(dir));
        const QByteArray container = readFile(dir + "/SHPI.DAT");
        const int16_t stored = form->tables().objects.headers[1].XPos;
        QVERIFY(form->document().moveObject(1, QPoint(stored + 5, form->tables().objects.headers[1].YPos)));
        form->setSaveChangesPrompt([] { return QMessageBox::Discard; });
        m_messages.clear(); // the moved object, shown, has no mask file yet
        auto *progress = form->findChild<QProgressBar *>("operationProgress");
        QSignalSpy steps(progress, &QProgressBar::valueChanged);
        const QList<QVariant> eachObject{1, 2, 3, 4, 5, 6};
        auto stepsTaken = [&] {
            QList<QVariant> values;
            for (const QList<QVariant> &step : std::as_const(steps))
                values.append(step.first());
            steps.clear();
            return values;
        };

        form->action("extract")->trigger();
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        // The status bar counted the objects, then says what was done.
        QCOMPARE(stepsTaken(), eachObject);
        QCOMPARE(progress->maximum(), 6);
        QVERIFY(progress->isHidden());
        QCOMPARE(form->statusMessage(), "Extracted the masks of 6 objects from SHPI.DAT");
        QCOMPARE(form->tables().objects.headers[1].XPos, stored);
        QCOMPARE(QDir(dir).entryList({"SHPI*.BMP"}).size(), 6);
        QCOMPARE(form->objectList()->count(), 6);
        // The progress is gone: the picture shows as loaded.
        QVERIFY(samePixels(form->image(), form->document().background()));

        form->action("compile")->trigger();
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(readFile(dir + "/SHPI.DAT"), container);
        QCOMPARE(stepsTaken(), eachObject);
        QCOMPARE(form->statusMessage(), "Compiled the masks of 6 objects into SHPI.DAT");

        // A refused compilation reports the file and leaves the container.
        QFile::remove(dir + "/SHPIgear.BMP");
        form->action("compile")->trigger();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().contains("SHPIgear.BMP"));
        QCOMPARE(readFile(dir + "/SHPI.DAT"), container);
        QVERIFY(progress->isHidden());
    }
    void cancelStopsAnOperationRunningBesideTheWindow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("command");
        QTest::newRow("extract") << "extract" << "Extract Masks from SHPI";
        QTest::newRow("compile") << "compile" << "Compile Masks into SHPI";
        QTest::newRow("save") << "save" << "Save SHPI Data";
    }

    void cancelStopsAnOperationRunningBesideTheWindow()
    {
        QFETCH(QString, action);
        QFETCH(QString, command);
        const QString dir = manyObjectsDashboard("many-" + action);
        QVERIFY(!dir.isEmpty());
        auto form = newForm();
        // Shown, so that its menus can open.
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(form->openDirectory(dir));
        QVERIFY(form->document().moveObject(1, QPoint(7, 9)));
        form->setSaveChangesPrompt([] { return QMessageBox::Discard; });
        m_messages.clear();
        const QStringList files = directorySnapshot(dir);
        const QByteArray tables = tableBytes(form->tables());
        auto *progress = form->findChild<QProgressBar *>("operationProgress");
        auto *fileMenu = form->findChild<QMenu *>("fileMenu");
        auto *cancel = form->findChild<QPushButton *>("cancelOperation");
        const QStringList conflicting{"load", "save", "extract", "compile", "reload", "undo"};

        // What the window does while the operation runs, from the first step it shows.
        QStringList enabledMeanwhile;
        bool menuOpened = false, closedMeanwhile = true, askedOnClose = false;
        connect(progress, &QProgressBar::valueChanged, form.get(), [&](int done) {
            if (done != 1)
                return;
            for (const QString &name : conflicting)
                if (form->action(name.toLatin1())->isEnabled())
                    enabledMeanwhile.append(name);
            if (form->centralWidget()->isEnabled())
                enabledMeanwhile.append("the views");
            QTest::mouseClick(form->menuBar(), Qt::LeftButton, {},
                              form->menuBar()->actionGeometry(fileMenu->menuAction()).center());
            menuOpened = fileMenu->isVisible();
            QTest::keyClick(fileMenu, Qt::Key_Escape);
            // Closing waits for the end, then asks about the unsaved edit.
            form->setSaveChangesPrompt([&] {
                askedOnClose = true;
                return QMessageBox::Cancel;
            });
            closedMeanwhile = form->close();
            QVERIFY(cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });

        form->action(action.toLatin1())->trigger();
        QCOMPARE(enabledMeanwhile, QStringList());
        QVERIFY(menuOpened);
        QVERIFY(!closedMeanwhile);
        QVERIFY2(progress->value() < progress->maximum(), "the operation ran to its end");
        QCOMPARE(form->statusMessage(), command + " was cancelled; no file was changed.");
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QCOMPARE(directorySnapshot(dir), files);
        QCOMPARE(tableBytes(form->tables()), tables);
        QCOMPARE(form->undoStack().count(), 1);
        QVERIFY(!form->document().isClean());
        for (const QString &name : conflicting)
            QVERIFY2(form->action(name.toLatin1())->isEnabled(), qPrintable(name));
        QVERIFY(!cancel->isVisible());
        QTRY_VERIFY(askedOnClose);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
