#include "common/containerbuilder.h"

#include "demo/demodashboard.h"
#include "store/listing.h"
#include "common/editorparts.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace testing_support;

namespace {

// What the window shows and holds, to compare before and after an edit.
struct Snapshot
{
    std::vector<ObjectHeader> headers;
    DialRecord dials;
    QImage image;
    QRectF outline;
    QStringList boxes;
    OleColor swatch;

    explicit Snapshot(EditorWindow &form)
        : headers(form.tables().objects.headers)
        , dials(form.tables().dialRecord)
        , image(form.image())
        , outline(form.outline())
        , swatch(form.dialPanel()->swatch())
    {
        for (int i = 0; i < DialPanel::BoxCount; ++i)
            boxes.append(form.dialBox(i)->text());
    }
};

void verifySame(EditorWindow &form, const Snapshot &expected)
{
    const Snapshot actual(form);
    QCOMPARE(actual.headers, expected.headers);
    QVERIFY(actual.dials == expected.dials);
    QCOMPARE(actual.boxes, expected.boxes);
    QCOMPARE(actual.swatch, expected.swatch);
    QCOMPARE(actual.outline, expected.outline);
    QVERIFY2(actual.image == expected.image, "the dashboard's pixels differ");
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<EditorWindow> m_form;
    QString m_dir;
    QStringList m_messages;
    int m_questions = 0;
    QMessageBox::StandardButton m_answer = QMessageBox::Cancel;

    EditorWindow &form() { return *m_form; }
    const ObjectHeader &header(int row) { return form().tables().objects.headers[size_t(row)]; }
    QString container() const { return m_dir + "/SHPI.DAT"; }

    void select(int row)
    {
        form().objectList()->setCurrentRow(row);
        QCOMPARE(form().objectList()->currentRow(), row);
    }

    void drag(QPoint grip, QPoint offset)
    {
        const QPoint from = form().outline().topLeft().toPoint() + grip;
        QTest::mousePress(form().dashboard(), Qt::LeftButton, {}, from);
        QTest::mouseMove(form().dashboard(), from + offset / 2);
        QTest::mouseMove(form().dashboard(), from + offset);
        QTest::mouseRelease(form().dashboard(), Qt::LeftButton, {}, from + offset);
    }

    void nudge(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(form().dashboard(), key, modifiers);
    }

    // Object 1 selected, the dashboard focused by a click beside the object.
    void focusObject()
    {
        select(1);
        const ObjectHeader before = header(1);
        const QPoint corner = form().dashboard()->rect().bottomRight();
        QVERIFY(!form().outline().contains(corner));
        QTest::mouseClick(form().dashboard(), Qt::LeftButton, {}, corner);
        QTRY_VERIFY(form().dashboard()->hasFocus());
        QCOMPARE(header(1), before);
    }

    // The Dials panel with box @p index focused and all its text selected.
    QLineEdit *focusBox(int index)
    {
        if (!form().action("dials")->isChecked())
            form().action("dials")->trigger();
        QLineEdit *box = form().dialBox(size_t(index));
        box->setFocus();
        box->selectAll();
        return box;
    }

    void verifyStep(int count, int index)
    {
        QCOMPARE(form().undoStack().count(), count);
        QCOMPARE(form().undoStack().index(), index);
    }

    // The edit just made is the only step, and the Edit menu takes it back
    // to @p before and brings it again.
    void verifyOneStepUndoneAndRedone(const Snapshot &before)
    {
        verifyStep(1, 1);
        const Snapshot after(form());
        form().action("undo")->trigger();
        verifySame(form(), before);
        form().action("redo")->trigger();
        verifySame(form(), after);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The tests close windows without ending the run.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_dir = m_root->filePath("dash");
        QVERIFY(writeDemoDashboard(m_dir));
        m_messages.clear();
        m_questions = 0;
        m_answer = QMessageBox::Cancel;
        m_form = std::make_unique<EditorWindow>();
        m_form->setMessageHandler([this](const QString &, const QString &message) { m_messages.append(message); });
        m_form->setSaveChangesPrompt([this] {
            ++m_questions;
            return m_answer;
        });
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QVERIFY(m_form->openDirectory(m_dir));
    }

    void cleanup()
    {
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        m_form.reset();
        m_root.reset();
    }

    // Moving objects.

    void dragIsOneStep()
    {
        focusObject();
        const Snapshot before(form());
        drag(QPoint(3, 3), QPoint(9, -5));
        QCOMPARE(header(1).XPos, int16_t(before.headers[1].XPos + 9));
        QCOMPARE(header(1).YPos, int16_t(before.headers[1].YPos - 5));
        verifyOneStepUndoneAndRedone(before);
    }

    void clickKeepsTheRedoSteps()
    {
        focusObject();
        drag(QPoint(3, 3), QPoint(4, 4));
        form().undoStack().undo();
        drag(QPoint(3, 3), QPoint(0, 0));
        verifyStep(1, 0);
        QVERIFY(form().undoStack().canRedo());
    }

    void nudgeMovesAsAReleaseStores_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QPoint>("moved");
        QTest::newRow("left") << int(Qt::Key_Left) << false << QPoint(-1, 0);
        QTest::newRow("right") << int(Qt::Key_Right) << false << QPoint(1, 0);
        QTest::newRow("up") << int(Qt::Key_Up) << false << QPoint(0, -1);
        QTest::newRow("down") << int(Qt::Key_Down) << false << QPoint(0, 1);
        QTest::newRow("shift left") << int(Qt::Key_Left) << true << QPoint(-10, 0);
        QTest::newRow("shift right") << int(Qt::Key_Right) << true << QPoint(10, 0);
        QTest::newRow("shift up") << int(Qt::Key_Up) << true << QPoint(0, -10);
        QTest::newRow("shift down") << int(Qt::Key_Down) << true << QPoint(0, 10);
    }

    void nudgeMovesAsAReleaseStores()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QPoint, moved);
        focusObject();
        const Snapshot before(form());

        nudge(Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        ObjectHeader expected = before.headers[1];
        expected.XPos = int16_t(expected.XPos + moved.x());
        expected.YPos = int16_t(expected.YPos + moved.y());
        QCOMPARE(header(1), expected);
        QCOMPARE(form().outline(), before.outline.translated(moved));
        QVERIFY(form().outlineVisible());
        // A fresh selection draws the object where the table has it.
        const QImage nudged = form().image();
        form().document().selectObject(form().document().selectedObject());
        QVERIFY(form().image() == nudged);

        form().undoStack().undo();
        verifySame(form(), before);
    }

    void nudgesOfOneRunMerge()
    {
        focusObject();
        const Snapshot before(form());
        nudge(Qt::Key_Right);
        nudge(Qt::Key_Right, Qt::ShiftModifier);
        nudge(Qt::Key_Down);
        verifyStep(1, 1);
        QCOMPARE(header(1).XPos, int16_t(before.headers[1].XPos + 11));

        // Focus leaving the dashboard ends the run.
        form().objectList()->setFocus();
        QTRY_VERIFY(!form().dashboard()->hasFocus());
        form().dashboard()->setFocus();
        QTRY_VERIFY(form().dashboard()->hasFocus());
        nudge(Qt::Key_Up);
        verifyStep(2, 2);

        form().undoStack().undo();
        form().undoStack().undo();
        verifySame(form(), before);
    }

    void nudgesBackToTheStartLeaveNoStep()
    {
        focusObject();
        nudge(Qt::Key_Left);
        nudge(Qt::Key_Right);
        verifyStep(0, 0);
        QVERIFY(!form().isWindowModified());
    }

    void dragAfterNudgesIsAStepOfItsOwn()
    {
        focusObject();
        nudge(Qt::Key_Left);
        drag(QPoint(3, 3), QPoint(2, 2));
        nudge(Qt::Key_Left);
        verifyStep(3, 3);
    }

    void nudgeBeyondSixteenBitsIsRefused()
    {
        select(1);
        QVERIFY(form().document().moveObject(1, QPoint(32760, header(1).YPos)));
        form().undoStack().clear();
        form().document().selectObject(form().document().selectedObject());
        form().dashboard()->setFocus();
        const Snapshot before(form());
        nudge(Qt::Key_Right, Qt::ShiftModifier);
        verifySame(form(), before);
        verifyStep(0, 0);
        QVERIFY(form().statusMessage().contains("32767"));
        nudge(Qt::Key_Right);
        QCOMPARE(int(header(1).XPos), 32761);
    }

    void nudgeNeedsAnObjectInTheObjectsPanel()
    {
        focusObject();
        select(0);
        const Snapshot background(form());
        nudge(Qt::Key_Left);
        verifySame(form(), background);

        select(1);
        form().action("dials")->trigger();
        const Snapshot dials(form());
        nudge(Qt::Key_Left);
        verifySame(form(), dials);
        verifyStep(0, 0);
    }

    // An object whose bitmaps cannot be read is not shown; the arrow keys say
    // why instead of moving it unseen.
    void nudgeOfAnObjectNotShownSaysWhy()
    {
        focusObject();
        const QString artwork = nameText(form().tables().objects.directory[2].Name) + ".bmp";
        QVERIFY(QFile::remove(m_dir + "/" + artwork));
        select(2);
        QCOMPARE(m_messages.size(), 1);
        m_messages.clear();
        form().dashboard()->setFocus();
        const Snapshot before(form());
        nudge(Qt::Key_Left);
        verifySame(form(), before);
        verifyStep(0, 0);
        const QString said = form().statusMessage();
        QVERIFY2(said.contains(artwork), qPrintable(said));
    }

    // The Dials panel.

    void typingInOneBoxIsOneStep()
    {
        QLineEdit *box = focusBox(4);
        const Snapshot before(form());
        QTest::keyClicks(box, "42");
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, "7");
        QCOMPARE(form().tables().dialRecord.field(DialField::SpeedoMaxX), int16_t(47));
        verifyOneStepUndoneAndRedone(before);
    }

    void focusLeavingABoxEndsTheStep()
    {
        QLineEdit *first = focusBox(2);
        const Snapshot before(form());
        QTest::keyClicks(first, "12");
        QLineEdit *second = focusBox(3);
        QTest::keyClicks(second, "34");
        // Back in the first box: a new run.
        focusBox(2);
        QTest::keyClicks(first, "56");
        verifyStep(3, 3);
        QCOMPARE(form().tables().dialRecord.field(DialField::SpeedoX), int16_t(56));

        form().undoStack().undo();
        QCOMPARE(first->text(), QString("12"));
        form().undoStack().undo();
        form().undoStack().undo();
        verifySame(form(), before);
    }

    void undoShortcutInABoxTakesBackTheWholeTyping()
    {
        QLineEdit *box = focusBox(0);
        const Snapshot before(form());
        QTest::keyClicks(box, "123");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        verifySame(form(), before);
        QVERIFY(form().undoStack().canRedo());
    }

    void unstorableTextIsNoStep()
    {
        QLineEdit *box = focusBox(1);
        QTest::keyClick(box, Qt::Key_Backspace);
        QVERIFY(form().dialPanel()->isMarkedInvalid(1));
        verifyStep(0, 0);
    }

    void colourPickIsOneStep()
    {
        form().action("dials")->trigger();
        const Snapshot before(form());
        const QImage &picture = form().document().background();
        QPoint pick;
        for (int d = 1; d < picture.height() && pick.isNull(); ++d)
            if (fromQRgb(picture.pixel(d, d)) != before.swatch)
                pick = QPoint(d, d);
        QVERIFY(!pick.isNull());
        const OleColor picked = fromQRgb(picture.pixel(pick));

        form().button("setColour")->click();
        QTest::mouseClick(form().dashboard(), Qt::LeftButton, {}, pick);
        QCOMPARE(form().dialPanel()->swatch(), picked);
        verifyOneStepUndoneAndRedone(before);
    }

    void undoBringsTheEditIntoView()
    {
        focusObject();
        const Snapshot objectShown(form());
        nudge(Qt::Key_Down);
        QLineEdit *box = focusBox(0);
        QTest::keyClicks(box, "97");
        verifyStep(2, 2);
        const Snapshot dialsEdited(form());
        form().action("objects")->trigger();
        select(2);

        form().undoStack().undo();
        QVERIFY(form().action("dials")->isChecked());
        QVERIFY(form().dialPanel()->isVisibleTo(&form()));
        form().undoStack().undo();
        QVERIFY(form().action("objects")->isChecked());
        verifySame(form(), objectShown);
        form().undoStack().redo();
        form().undoStack().redo();
        verifySame(form(), dialsEdited);
    }

    // The status bar and the title.

    void statusShowsTheSelectedObject()
    {
        const QLabel *status = form().label("objectStatus");
        QVERIFY(status->text().isEmpty());
        focusObject();
        auto expected = [this] {
            const ObjectHeader &h = header(1);
            return QString("%1  %2 x %3  centre %4, %5  at %6, %7")
                .arg(form().objectList()->item(1)->text())
                .arg(h.Width).arg(h.Height).arg(h.XCentre).arg(h.YCentre).arg(h.XPos).arg(h.YPos);
        };
        QCOMPARE(status->text(), expected());
        nudge(Qt::Key_Up);
        QCOMPARE(status->text(), expected());
        drag(QPoint(2, 2), QPoint(5, 1));
        QCOMPARE(status->text(), expected());
        form().undoStack().undo();
        QCOMPARE(status->text(), expected());
        select(0);
        QVERIFY(status->text().isEmpty());
    }

    void titleMarksUnsavedEdits()
    {
        const QString title = "Tolvane - " + QDir::toNativeSeparators(m_dir) + "[*]";
        QCOMPARE(form().windowTitle(), title);
        QVERIFY(!form().isWindowModified());
        focusObject();
        nudge(Qt::Key_Left);
        QVERIFY(form().isWindowModified());
        form().undoStack().undo();
        QVERIFY(!form().isWindowModified());
        form().undoStack().redo();
        QVERIFY(form().isWindowModified());

        QTest::keyClick(&form(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!form().isWindowModified());
        nudge(Qt::Key_Left);
        QVERIFY(form().isWindowModified());
        form().action("compile")->trigger();
        QVERIFY(!form().isWindowModified());
        // Undoing past a save is an unsaved edit again.
        form().undoStack().undo();
        QVERIFY(form().isWindowModified());
    }

    void loadAndExtractionClearTheSteps()
    {
        focusObject();
        nudge(Qt::Key_Left);
        m_answer = QMessageBox::Discard;
        form().action("extract")->trigger();
        verifyStep(0, 0);
        QVERIFY(!form().isWindowModified());

        focusObject();
        nudge(Qt::Key_Left);
        const QString other = m_root->filePath("other");
        QVERIFY(writeDemoDashboard(other));
        QVERIFY(form().openDirectory(other));
        verifyStep(0, 0);
        QCOMPARE(form().windowTitle(), "Tolvane - " + QDir::toNativeSeparators(other) + "[*]");
        QVERIFY(form().label("objectStatus")->text().isEmpty());
    }

    // The question before unsaved edits are lost.

    void unsavedChangesAreAskedFor_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("goesOn");
        for (const char *command : {"close", "load", "extract"}) {
            QTest::addRow("%s, save", command) << command << int(QMessageBox::Save) << true << true;
            QTest::addRow("%s, discard", command) << command << int(QMessageBox::Discard) << false << true;
            QTest::addRow("%s, cancel", command) << command << int(QMessageBox::Cancel) << false << false;
        }
    }

    void unsavedChangesAreAskedFor()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, goesOn);
        const QByteArray file = readFile(container());
        focusObject();
        nudge(Qt::Key_Right, Qt::ShiftModifier);
        const int16_t edited = header(1).XPos;
        const QString other = m_root->filePath("other");
        QVERIFY(writeDemoDashboard(other));
        int directoryAsked = 0;
        form().setDirectoryPrompt([&] {
            ++directoryAsked;
            return other;
        });

        m_answer = QMessageBox::StandardButton(answer);
        if (command == "close")
            QCOMPARE(form().close(), goesOn);
        else if (command == "load")
            form().action("load")->trigger();
        else
            form().action("extract")->trigger();

        QCOMPARE(m_questions, 1);
        QCOMPARE(readFile(container()) != file, saved);
        if (command == "close")
            QCOMPARE(form().isVisible(), !goesOn);
        if (command == "load") {
            QCOMPARE(directoryAsked, goesOn ? 1 : 0);
            QCOMPARE(QDir(form().document().directory()), QDir(goesOn ? other : m_dir));
        }
        if (command == "extract") // reread from the file, saved or not
            QCOMPARE(header(1).XPos == edited, saved || !goesOn);
        // Going on with a load or an extraction replaces the edited tables.
        QCOMPARE(form().isWindowModified(), !saved && !(goesOn && command != "close"));
    }

    void failedSaveStops()
    {
        focusObject();
        nudge(Qt::Key_Right);
        QVERIFY(QFile::remove(container()));
        m_answer = QMessageBox::Save;
        QVERIFY(!form().maybeSaveChanges());
        QVERIFY(!form().close());
        QVERIFY(form().isVisible());
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(m_messages.first().contains("SHPI.DAT"));
        m_messages.clear();
    }

    void nothingIsAskedWithoutUnsavedEdits()
    {
        focusObject();
        // An edit and its undo leave nothing unsaved.
        nudge(Qt::Key_Down);
        form().undoStack().undo();
        form().setDirectoryPrompt([] { return QString(); });
        form().action("load")->trigger();
        form().action("extract")->trigger();
        QVERIFY(form().maybeSaveChanges());
        QVERIFY(form().close());
        QCOMPARE(m_questions, 0);
    }
};

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
