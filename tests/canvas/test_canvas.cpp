#include "common/objectfixture.h"

#include "common/editorparts.h"

#include <QAction>
#include <QListWidget>
#include <QPaintEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace testing_support;

namespace {

// Collects what a widget repaints.
class PaintRecorder : public QObject
{
public:
    QRegion painted;
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent *>(event)->region();
            ++paints;
        }
        return false;
    }
};

// QRegion::contains(QRect) only tells whether the two overlap.
bool covers(const QRegion &region, const QRect &rect)
{
    return QRegion(rect).subtracted(region).isEmpty();
}

QRectF tableOutline(const TestObject &o)
{
    return QRectF(o.xPos - o.xCentre, o.yPos - o.yCentre, o.width, o.height);
}

} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    FixtureDashboard m_dashboard;
    std::unique_ptr<EditorWindow> m_form;
    QStringList m_messages;

    EditorWindow &form() { return *m_form; }
    QString dir() const { return m_dir->path(); }
    QImage dashboardImage() { return form().image(); }
    const ObjectHeader &header(int row) { return form().tables().objects.headers[size_t(row)]; }

    void select(int row)
    {
        form().objectList()->setCurrentRow(row);
        QCOMPARE(form().objectList()->currentRow(), row);
    }

    // Opens the dashboard, after @p change has adjusted it.
    void open(const std::function<void(FixtureDashboard &)> &change = {})
    {
        m_dashboard = FixtureDashboard::standard();
        if (change)
            change(m_dashboard);
        QVERIFY(m_dashboard.write(dir()));
        QVERIFY(form().openDirectory(dir()));
        QVERIFY(m_messages.isEmpty());
    }

    void verifyDashboard(const QImage &expected)
    {
        const QImage actual = dashboardImage();
        QVERIFY2(samePixels(actual, expected), qPrintable(firstDifference(actual, expected)));
    }

    void drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
    {
        PictureBox *dashboard = form().dashboard();
        QTest::mousePress(dashboard, button, {}, from);
        QTest::mouseMove(dashboard, (from + to) / 2);
        QTest::mouseMove(dashboard, to);
        QTest::mouseRelease(dashboard, button, {}, to);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.clear();
        m_form = std::make_unique<EditorWindow>();
        m_form->setMessageHandler([this](const QString &, const QString &message) { m_messages.append(message); });
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    // Selection and display.

    void selectionComposites_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("inside the picture") << 1;
        QTest::newRow("past the left and top edges, larger mask") << 2;
        QTest::newRow("smaller mask, table size of neither bitmap") << 3;
    }

    void selectionComposites()
    {
        QFETCH(int, row);
        open();
        select(row);
        verifyDashboard(m_dashboard.expected(row));
        // The outline comes from the table, not from the bitmaps.
        QCOMPARE(form().outline(), tableOutline(m_dashboard.objects[size_t(row - 1)].header));
        QVERIFY(form().outlineVisible());
        QVERIFY(m_messages.isEmpty());
    }

    void selectingAnotherObjectLeavesNothingOfTheFirst()
    {
        open();
        select(1);
        select(2);
        verifyDashboard(m_dashboard.expected(2));
        select(3);
        verifyDashboard(m_dashboard.expected(3));
    }

    void selectingAgainReadsTheFilesAgain()
    {
        open();
        select(1);
        FixtureObject &o = m_dashboard.objects[0];
        o.image = patternPicture(o.image.width(), o.image.height(), 99);
        QVERIFY(o.image.save(m_dir->filePath("0001.BMP"), "BMP"));
        form().document().selectObject(form().document().selectedObject());
        verifyDashboard(m_dashboard.expected(1));
    }

    void firstEntryWipesWithoutOpeningAFile()
    {
        open();
        select(2);
        // Without the files a selection that read them would complain.
        for (const QString &name : QDir(dir()).entryList({"*.bmp", "*.BMP"}, QDir::Files))
            QVERIFY(QFile::remove(m_dir->filePath(name)));
        select(0);
        verifyDashboard(m_dashboard.background);
        QVERIFY(!form().outlineVisible());
        QVERIFY(m_messages.isEmpty());
    }

    void selectionWipesTheDials()
    {
        open();
        DashboardDocument &document = form().document();
        for (const DialField field : {DialField::SpeedoX, DialField::SpeedoY, DialField::TachoX, DialField::TachoY})
            document.setDialField(field, 5);
        document.setDialField(DialField::SpeedoMinX, 30);
        document.setDialField(DialField::TachoMaxY, 30);
        document.setDialField(DialField::DialWidth, 2);
        form().button("drawDials")->click();
        QVERIFY(!samePixels(dashboardImage(), m_dashboard.background));
        select(1);
        verifyDashboard(m_dashboard.expected(1));
    }

    void missingOrBrokenFilesDrawNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("contents"); // empty: the file is removed
        QTest::addColumn<QString>("named");
        QTest::newRow("no artwork") << "0001.BMP" << QByteArray() << "0001.bmp";
        QTest::newRow("no mask") << "shpi0001.bmp" << QByteArray() << "SHPI0001.BMP";
        QTest::newRow("artwork not a bitmap") << "0001.BMP" << QByteArray("BM broken") << "0001.BMP";
        QTest::newRow("mask not a bitmap") << "shpi0001.bmp" << QByteArray("\x00\x01", 2) << "shpi0001.bmp";
    }

    void missingOrBrokenFilesDrawNothing()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, contents);
        QFETCH(QString, named);
        open();
        select(2);
        if (contents.isEmpty())
            QVERIFY(QFile::remove(m_dir->filePath(file)));
        else
            QVERIFY(writeFile(m_dir->filePath(file), contents));

        select(1);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(named), qPrintable(m_messages[0]));
        verifyDashboard(m_dashboard.background);
        QVERIFY(!form().outlineVisible());

        // The bitmaps of the object shown before do not stand in for it, and
        // neither a drag nor the arrow keys move an object that is not shown.
        const ObjectHeader before = header(1);
        const QPointF inside = tableOutline(m_dashboard.objects[0].header).center();
        drag(inside.toPoint(), inside.toPoint() + QPoint(3, 2));
        QTest::keyClick(form().dashboard(), Qt::Key_Right);
        QTest::keyClick(form().dashboard(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(header(1), before);
        QCOMPARE(form().undoStack().count(), 0);
        QVERIFY(!form().isWindowModified());
        verifyDashboard(m_dashboard.background);
    }

    void nameThatIsNoFileNameIsRefused()
    {
        // A control character: no file of the directory can be meant.
        open([](FixtureDashboard &d) { d.objects[0].header.directoryName = QByteArray("ab\x01z", 4); });
        select(1);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QDir::toNativeSeparators(dir())) && m_messages[0].contains("ab\\x01z"),
                 qPrintable(m_messages[0]));
        verifyDashboard(m_dashboard.background);
    }

    // Dragging.

    void dragMovesByThePointerMovement_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QPoint>("grip");  // from the outline's top-left
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("right and down") << 1 << QPoint(5, 4) << QPoint(7, 3);
        QTest::newRow("left and up") << 1 << QPoint(1, 1) << QPoint(-6, -9);
        QTest::newRow("not at all") << 1 << QPoint(6, 2) << QPoint(0, 0);
        QTest::newRow("past the edge") << 3 << QPoint(2, 2) << QPoint(-31, -26);
        QTest::newRow("partly outside") << 2 << QPoint(8, 10) << QPoint(4, 5);
    }

    void dragMovesByThePointerMovement()
    {
        QFETCH(int, row);
        QFETCH(QPoint, grip);
        QFETCH(QPoint, offset);
        open();
        select(row);
        const ObjectTable before = form().tables().objects;
        const DialRecord dialsBefore = form().tables().dialRecord;
        const QPoint from = form().outline().topLeft().toPoint() + grip;

        drag(from, from + offset);

        ObjectHeader moved = before.headers[size_t(row)];
        moved.XPos = int16_t(moved.XPos + offset.x());
        moved.YPos = int16_t(moved.YPos + offset.y());
        QCOMPARE(header(row), moved);
        for (int i = 0; i < before.count(); ++i)
            if (i != row)
                QCOMPARE(header(i), before.headers[size_t(i)]);
        QVERIFY(form().tables().dialRecord == dialsBefore);

        FixtureObject &o = m_dashboard.objects[size_t(row - 1)];
        o.header.xPos = moved.XPos;
        o.header.yPos = moved.YPos;
        verifyDashboard(m_dashboard.expected(row));
        QCOMPARE(form().outline(), tableOutline(o.header));
        QVERIFY(form().outlineVisible());
    }

    void dragShowsAPreviewWithItsMarker()
    {
        open();
        select(1);
        const FixtureObject &o = m_dashboard.objects[0];
        const QPoint from = o.topLeft() + QPoint(3, 3);
        const QPoint offset(6, -4);
        QTest::mousePress(form().dashboard(), Qt::LeftButton, {}, from);
        QTest::mouseMove(form().dashboard(), from + offset);

        // The dashboard ORed with M AND NOT P, and a red ring around the
        // reference point; nothing of the full composite.
        const QPoint at = o.topLeft() + offset;
        const QPoint centre = at + QPoint(o.header.xCentre, o.header.yCentre);
        const QRect ring(centre - QPoint(4, 4), centre + QPoint(4, 4));
        const QImage actual = dashboardImage();
        int red = 0;
        for (int y = 0; y < actual.height(); ++y)
            for (int x = 0; x < actual.width(); ++x) {
                const QPoint p(x, y);
                if (ring.contains(p)) {
                    red += (actual.pixel(p) & 0xffffff) == 0xff0000;
                    continue;
                }
                QRgb expected = m_dashboard.background.pixel(p);
                const QPoint inObject = p - at;
                if (o.image.valid(inObject)) {
                    const QRgb m = o.mask.pixel(inObject), image = o.image.pixel(inObject);
                    expected |= m & ~image;
                }
                QCOMPARE(actual.pixel(p) & 0xffffff, expected & 0xffffff);
            }
        QVERIFY(red >= 8);
        QVERIFY((actual.pixel(centre) & 0xffffff) != 0xff0000);
        QCOMPARE(form().outline().topLeft(), QPointF(o.topLeft() + offset));
        // The table changes only on release.
        QCOMPARE(header(1).XPos, o.header.xPos);
        QTest::mouseRelease(form().dashboard(), Qt::LeftButton, {}, from + offset);
    }

    void dragStepReachesTheScreen()
    {
        open();
        select(1);
        PaintRecorder recorder;
        form().dashboard()->installEventFilter(&recorder);
        const QPoint from = m_dashboard.objects[0].topLeft() + QPoint(2, 2);
        QTest::mousePress(form().dashboard(), Qt::LeftButton, {}, from);
        QCoreApplication::processEvents();
        recorder.painted = QRegion();
        recorder.paints = 0;

        const QPoint offset(3, 2);
        QTest::mouseMove(form().dashboard(), from + offset);
        const QRect moved = form().outline().toRect();
        QTRY_VERIFY(covers(recorder.painted, moved));
        // Only what the object covered and covers is repainted.
        QVERIFY(!covers(recorder.painted, form().dashboard()->rect()));
        QTest::mouseRelease(form().dashboard(), Qt::LeftButton, {}, from + offset);
    }

    void pressOnTheOutlinesEdgesStartsNoDrag_data()
    {
        QTest::addColumn<QPoint>("press"); // from the outline's top-left
        QTest::addColumn<bool>("drags");
        // The first object's outline is 12 x 9.
        QTest::newRow("left edge") << QPoint(0, 4) << false;
        QTest::newRow("top edge") << QPoint(4, 0) << false;
        QTest::newRow("column past the right") << QPoint(12, 4) << false;
        QTest::newRow("row past the bottom") << QPoint(4, 9) << false;
        QTest::newRow("outside") << QPoint(-3, 4) << false;
        QTest::newRow("first inner pixel") << QPoint(1, 1) << true;
        QTest::newRow("last inner pixel") << QPoint(11, 8) << true;
    }

    void pressOnTheOutlinesEdgesStartsNoDrag()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, drags);
        open();
        select(1);
        const ObjectHeader before = header(1);
        const QPoint from = form().outline().topLeft().toPoint() + press;
        drag(from, from + QPoint(4, 3));
        QCOMPARE(header(1).XPos, int16_t(before.XPos + (drags ? 4 : 0)));
        QCOMPARE(header(1).YPos, int16_t(before.YPos + (drags ? 3 : 0)));
    }

    void otherButtonsDragNothing()
    {
        open();
        select(1);
        const ObjectHeader before = header(1);
        const QRectF outline = form().outline();
        const QPoint from = outline.topLeft().toPoint() + QPoint(4, 4);
        const QPoint to = from + QPoint(5, 5);

        drag(from, to, Qt::RightButton);
        QCOMPARE(header(1), before);
        QCOMPARE(form().outline(), outline);
        verifyDashboard(m_dashboard.expected(1));

        // Both buttons held: the moves carry button state 3.
        PictureBox *dashboard = form().dashboard();
        QTest::mousePress(dashboard, Qt::LeftButton, {}, from);
        QTest::mousePress(dashboard, Qt::RightButton, {}, from);
        QTest::mouseMove(dashboard, to);
        QCOMPARE(form().outline(), outline);
        verifyDashboard(m_dashboard.expected(1));
        QTest::mouseRelease(dashboard, Qt::RightButton, {}, to);
        QTest::mouseRelease(dashboard, Qt::LeftButton, {}, to);
        QCOMPARE(header(1), before);
    }

    void nothingDragsAfterTheFirstEntry()
    {
        open();
        select(1);
        const QPoint from = form().outline().topLeft().toPoint() + QPoint(4, 4);
        select(0);
        const ObjectTable before = form().tables().objects;
        drag(from, from + QPoint(5, 5));
        for (int i = 0; i < before.count(); ++i)
            QCOMPARE(header(i), before.headers[size_t(i)]);
        verifyDashboard(m_dashboard.background);
        QVERIFY(!form().outlineVisible());
    }

    void nothingDragsInTheDialsPanel()
    {
        open();
        select(1);
        const QPoint from = form().outline().topLeft().toPoint() + QPoint(4, 4);
        form().action("dials")->trigger();
        const QImage dials = dashboardImage();
        const ObjectHeader before = header(1);
        drag(from, from + QPoint(5, 5));
        QCOMPARE(header(1), before);
        QVERIFY(!form().outlineVisible());
        // The dials stay: nothing was wiped or redrawn.
        QVERIFY(samePixels(dashboardImage(), dials));
    }

    void releaseRoundsHalvesToEven_data()
    {
        QTest::addColumn<float>("pressX");
        QTest::addColumn<float>("moveX");
        QTest::addColumn<int>("shift"); // expected change of XPos
        // The anchor is the rounded press; the outline moves by the exact
        // difference; the release rounds the new centre.
        QTest::newRow("anchor down, centre down") << 20.5f << 22.5f << 2; // 20, +2.5 -> 22.5 -> 22
        QTest::newRow("anchor up, centre up") << 21.5f << 25.5f << 4;     // 22, +3.5 -> 23.5 -> 24
        QTest::newRow("anchor up, centre down") << 21.5f << 24.5f << 2;   // 22, +2.5 -> 22.5 -> 22
        QTest::newRow("below the half") << 20.0f << 22.49f << 2;
        QTest::newRow("above the half") << 20.0f << 22.51f << 3;
    }

    void releaseRoundsHalvesToEven()
    {
        QFETCH(float, pressX);
        QFETCH(float, moveX);
        QFETCH(int, shift);
        open();
        select(1);
        const ObjectHeader before = header(1);
        QCOMPARE(int(before.XPos), 20);
        sendMouse(form().dashboard(), QEvent::MouseButtonPress, QPointF(pressX, 13), Qt::LeftButton, Qt::LeftButton);
        sendMouse(form().dashboard(), QEvent::MouseMove, QPointF(moveX, 13), Qt::NoButton, Qt::LeftButton);
        sendMouse(form().dashboard(), QEvent::MouseButtonRelease, QPointF(moveX, 13), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(header(1).XPos, int16_t(before.XPos + shift));
        QCOMPARE(header(1).YPos, before.YPos);
    }

    void positionBeyondSixteenBitsIsRefused()
    {
        // The reference point lies at the far right of a bitmap at 32767.
        open([](FixtureDashboard &d) {
            d.objects[0].header.xCentre = 32767;
            d.objects[0].header.xPos = 32767;
        });
        select(1);
        QCOMPARE(form().outline().left(), 0.0);
        drag(QPoint(3, 13), QPoint(8, 15));
        QCOMPARE(int(header(1).XPos), 32767);
        QCOMPARE(int(header(1).YPos), 14);
        QVERIFY(!form().statusMessage().isEmpty());
        QCOMPARE(form().outline().left(), 0.0);
        verifyDashboard(m_dashboard.expected(1));
    }

    // The colour pick on the dashboard.

    void armedPickPreviewsAndPicksWhileADragStarts()
    {
        open();
        select(1);
        const QPoint from = form().outline().topLeft().toPoint() + QPoint(4, 4);
        form().button("setColour")->click();
        QVERIFY(form().colourPickArmed());
        const DialRecord dialsBefore = form().tables().dialRecord;

        // A move previews the colour under the pointer and stores nothing.
        QTest::mouseMove(form().dashboard(), QPoint(30, 5));
        QCOMPARE(form().dialPanel()->swatch(), fromQRgb(m_dashboard.background.pixel(30, 5)));
        QVERIFY(form().tables().dialRecord == dialsBefore);

        // Arming wiped the object, so the pick takes the background's colour.
        const ObjectHeader before = header(1);
        QTest::mousePress(form().dashboard(), Qt::LeftButton, {}, from);
        QVERIFY(!form().colourPickArmed());
        QCOMPARE(form().dialPanel()->swatch(), fromQRgb(m_dashboard.background.pixel(from)));
        QCOMPARE(int(form().tables().dialRecord.field(DialField::ColourX)), from.x());
        QCOMPARE(int(form().tables().dialRecord.field(DialField::ColourY)), from.y());
        QCOMPARE(form().button("setColour")->text(), QString("Set Colour"));

        QTest::mouseMove(form().dashboard(), from + QPoint(3, 1));
        QTest::mouseRelease(form().dashboard(), Qt::LeftButton, {}, from + QPoint(3, 1));
        QCOMPARE(int(header(1).XPos), before.XPos + 3);
        QCOMPARE(int(header(1).YPos), before.YPos + 1);
    }
};

QTEST_MAIN(TestCanvas)
#include "test_canvas.moc"
