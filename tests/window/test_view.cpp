#include "common/smalldashboard.h"

#include "demo/demodashboard.h"
#include "common/editorparts.h"
#include "document/editor/recentdashboards.h"
#include "window/editor/statusline.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace testing_support;

namespace {

// Neighbouring pixels always differ, so a view shifted or scaled by a pixel
// shows other colours.
QImage patternPicture(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
    return image;
}

// @p image with every pixel made a zoom x zoom block.
QImage enlarged(const QImage &image, int zoom)
{
    QImage result(image.size() * zoom, QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
            result.setPixel(x, y, image.pixel(x / zoom, y / zoom));
    return result;
}

QImage shown(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void sendWheel(QWidget *widget, const QPoint &at, int delta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent event(QPointF(at), widget->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

struct BarState
{
    int minimum, maximum, value;
    bool enabled;
    bool operator==(const BarState &) const = default;
};

BarState barState(const QScrollBar *bar)
{
    return {bar->minimum(), bar->maximum(), bar->value(), bar->isEnabled()};
}

// Lays out the window until it rests: one layout can ask for another (the
// status line rewraps its message once the progress bar has gone, and is
// then shorter), and each pass sends only the requests made before it.
void settleLayouts()
{
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// The centre of @p part of @p bar on screen, as the style draws it.
QPoint barPart(const QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

char *toString(const BarState &s)
{
    return QTest::toString(QStringLiteral("[%1, %2] at %3%4")
                               .arg(s.minimum)
                               .arg(s.maximum)
                               .arg(s.value)
                               .arg(s.enabled ? "" : ", disabled"));
}

} // namespace

class TestView : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_demo;
    QStringList m_messages;
    int m_saveQuestions = 0;

    std::unique_ptr<EditorWindow> newForm()
    {
        auto form = std::make_unique<EditorWindow>();
        form->setMessageHandler([this](const QString &, const QString &message) { m_messages.append(message); });
        form->setSaveChangesPrompt([this] {
            ++m_saveQuestions;
            return QMessageBox::Cancel;
        });
        m_messages.clear();
        m_saveQuestions = 0;
        return form;
    }

    // The form on screen at the size it opens with, with the patterned demo open.
    std::unique_ptr<EditorWindow> shownDemo()
    {
        auto form = newForm();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()) || !form->openDirectory(m_demo))
            return nullptr;
        return form;
    }

    QString smallDashboard(const QString &name, const QString &containerName = "SHPI.DAT")
    {
        return writeSmallDashboard(m_root.filePath(name), QSize(200, 100), containerName);
    }

    static QStringList recentMenuDirectories(EditorWindow &form)
    {
        form.menu("recentMenu")->aboutToShow();
        QStringList directories;
        for (const QAction *action : form.menu("recentMenu")->actions())
            if (!action->data().toString().isEmpty())
                directories.append(action->data().toString());
        return directories;
    }

    static QAction *recentAction(EditorWindow &form, const QString &directory)
    {
        form.menu("recentMenu")->aboutToShow();
        for (QAction *action : form.menu("recentMenu")->actions())
            if (action->data().toString() == directory)
                return action;
        return nullptr;
    }

    // Drags the selected object: press at @p from (the dashboard widget's pixels),
    // moves in @p steps equal steps by @p move, releases there.
    static void dragOnWidget(PictureBox *box, QPoint from, QPoint move, int steps)
    {
        sendMouse(box, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= steps; ++i)
            sendMouse(box, QEvent::MouseMove, from + move * i / steps, Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseButtonRelease, from + move, Qt::LeftButton, Qt::NoButton);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The recent list goes to a settings file of this run only.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_root.filePath("settings"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_root.filePath("settings"));
        QCoreApplication::setOrganizationName("TolvaneTest");
        QCoreApplication::setApplicationName("test_view");

        m_demo = m_root.filePath("demo");
        QVERIFY(writeDemoDashboard(m_demo));
        QVERIFY(patternPicture(QSize(640, 480)).save(m_demo + "/0000.bmp", "BMP"));
    }

    void init()
    {
        clearRecentDashboards();
    }

    // Zoom: the view only; the handlers and the tables keep dashboard pixels.

    void pressReachesTheHandlersAsThePixelShown_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("press");   // the dashboard widget's pixels
        QTest::addColumn<QPointF>("handled"); // what the handlers receive
        QTest::newRow("100 %") << 1 << QPoint(37, 21) << QPointF(37, 21);
        QTest::newRow("200 %, block's first pixel") << 2 << QPoint(74, 42) << QPointF(37, 21);
        QTest::newRow("200 %, block's last pixel") << 2 << QPoint(75, 43) << QPointF(37, 21);
        QTest::newRow("300 %") << 3 << QPoint(300, 141) << QPointF(100, 47);
        QTest::newRow("300 %, block's middle") << 3 << QPoint(301, 142) << QPointF(100, 47);
        QTest::newRow("300 %, block's last pixel") << 3 << QPoint(302, 143) << QPointF(100, 47);
        QTest::newRow("800 %") << 8 << QPoint(4007, 800) << QPointF(500, 100);
    }

    void pressReachesTheHandlersAsThePixelShown()
    {
        QFETCH(int, zoom);
        QFETCH(QPoint, press);
        QFETCH(QPointF, handled);
        auto form = shownDemo();
        QVERIFY(form);
        form->view()->setZoom(zoom, QPointF());
        QSignalSpy downs(form->dashboard(), &PictureBox::pressed);
        QSignalSpy ups(form->dashboard(), &PictureBox::released);
        sendMouse(form->dashboard(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
        sendMouse(form->dashboard(), QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(downs.size(), 1);
        QCOMPARE(downs[0][1].toPointF(), handled);
        QCOMPARE(ups[0][1].toPointF(), handled);

        // It is the pixel the user sees there.
        const QImage pixel = form->dashboard()->grab(QRect(press, QSize(1, 1))).toImage();
        QCOMPARE(pixel.pixel(0, 0) & 0xffffff,
                 form->image().pixel(handled.toPoint()) & 0xffffff);
    }

    void colourPickTakesThePixelShown()
    {
        auto form = shownDemo();
        QVERIFY(form);
        form->view()->setZoom(3, QPointF());
        form->button("setColour")->click();
        QVERIFY(form->colourPickArmed());
        sendMouse(form->dashboard(), QEvent::MouseButtonPress, QPoint(200, 131), Qt::LeftButton, Qt::LeftButton);
        sendMouse(form->dashboard(), QEvent::MouseButtonRelease, QPoint(200, 131), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(int(form->tables().dialRecord.field(DialField::ColourX)), 66);
        QCOMPARE(int(form->tables().dialRecord.field(DialField::ColourY)), 43);
    }

    void dragMovesByWholeDashboardPixels_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("grip"); // widget pixels from the outline's top-left
        QTest::addColumn<QPoint>("move"); // widget pixels
        QTest::addColumn<int>("steps");
        QTest::addColumn<QPoint>("shift"); // of XPos, YPos
        // The object moves by the dashboard pixel under the pointer at the
        // release less the one at the press.
        QTest::newRow("200 %, even") << 2 << QPoint(6, 6) << QPoint(8, -6) << 1 << QPoint(4, -3);
        QTest::newRow("200 %, odd from a block's start") << 2 << QPoint(6, 6) << QPoint(5, 3) << 1 << QPoint(2, 1);
        QTest::newRow("200 %, odd from a block's end") << 2 << QPoint(7, 7) << QPoint(5, 3) << 1 << QPoint(3, 2);
        QTest::newRow("300 %, one pixel a step") << 3 << QPoint(4, 4) << QPoint(10, 0) << 10 << QPoint(3, 0);
        QTest::newRow("300 %, three pixels a step") << 3 << QPoint(4, 4) << QPoint(-30, 27) << 10 << QPoint(-10, 9);
        QTest::newRow("800 %, less than a pixel") << 8 << QPoint(14, 9) << QPoint(3, -2) << 3 << QPoint(1, -1);
    }

    void dragMovesByWholeDashboardPixels()
    {
        QFETCH(int, zoom);
        QFETCH(QPoint, grip);
        QFETCH(QPoint, move);
        QFETCH(int, steps);
        QFETCH(QPoint, shift);
        auto form = shownDemo();
        QVERIFY(form);
        form->objectList()->setCurrentRow(1);
        QVERIFY(form->outlineVisible());
        const ObjectHeader before = form->tables().objects.headers[1];
        form->view()->setZoom(zoom, QPointF());

        const QPoint outline = form->outline().topLeft().toPoint() * zoom;
        dragOnWidget(form->dashboard(), outline + grip, move, steps);

        const ObjectHeader &after = form->tables().objects.headers[1];
        QCOMPARE(QPoint(after.XPos - before.XPos, after.YPos - before.YPos), shift);
        QCOMPARE(form->outline().topLeft(), QPointF(after.XPos - after.XCentre, after.YPos - after.YCentre));
    }

    void zoomedViewIsTheActualSizeEnlarged_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("row"); // selected object, -1 for none
        QTest::newRow("200 %") << 2 << -1;
        QTest::newRow("300 %, with an outline") << 3 << 1;
        QTest::newRow("200 %, with an outline past the top") << 2 << 4;
    }

    void zoomedViewIsTheActualSizeEnlarged()
    {
        QFETCH(int, zoom);
        QFETCH(int, row);
        auto form = shownDemo();
        QVERIFY(form);
        if (row >= 0) {
            form->objectList()->setCurrentRow(row);
            QVERIFY(form->outlineVisible());
        }
        const QImage actualSize = shown(form->dashboard());
        QCOMPARE(actualSize.size(), QSize(640, 480));
        form->view()->setZoom(zoom, QPointF());
        QCOMPARE(form->dashboard()->size(), QSize(640, 480) * zoom);
        QCOMPARE(shown(form->dashboard()), enlarged(actualSize, zoom));
    }

    void surfaceChangesRepaintTheZoomedArea()
    {
        PictureSurface surface;
        surface.setPicture(patternPicture(QSize(64, 48)));
        PictureBox box(surface);
        box.setZoom(2);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCoreApplication::processEvents();
        QRegion painted;
        struct Recorder : QObject
        {
            QRegion *painted;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    *painted += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        } recorder;
        recorder.painted = &painted;
        box.installEventFilter(&recorder);

        surface.drawLine(QPointF(10, 20), QPointF(14, 20), 0x0000FF);
        QTRY_VERIFY(!painted.isEmpty());
        // The line's pixels, shown at twice the size, and nothing near the origin.
        QVERIFY(QRegion(QRect(20, 40, 10, 2)).subtracted(painted).isEmpty());
        QVERIFY(!painted.intersects(QRect(0, 0, 16, 32)));
    }

    void printedLinesContrastWithADarkDashboard()
    {
        PictureSurface surface;
        QImage dark(160, 60, QImage::Format_RGB32);
        dark.fill(Qt::black);
        surface.setPicture(dark);
        PictureBox box(surface);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        surface.print(QStringLiteral("Extracting SHPI data..."));
        const QImage shown = box.grab().toImage();
        int lightest = 0;
        int darkest = 255;
        for (int y = 0; y < QFontMetrics(surface.font()).lineSpacing(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                lightest = std::max(lightest, qGray(shown.pixel(x, y)));
                darkest = std::min(darkest, qGray(shown.pixel(x, y)));
            }
        QVERIFY2(lightest - darkest > 128, qPrintable(QStringLiteral("%1 to %2").arg(darkest).arg(lightest)));
    }

    // The status line at the window's designed width.

    void aLongWarningIsWholeUntilTheUserActs()
    {
        auto form = shownDemo();
        QVERIFY(form);
        auto *line = form->findChild<StatusLine *>("statusLine");
        const QString warning = "Saved the positions and dial data into SHPI.DAT; " +
                                QDir::toNativeSeparators(m_demo + "/SHPI.DAT") +
                                " was written in place, as allowed: this write was not atomic";
        line->showWarning(warning);
        QTest::mouseMove(form->dashboard(), QPoint(30, 20));
        QTRY_VERIFY(!form->label("pointerReadout")->text().isEmpty());
        line->showMessage("Reloaded");

        QCOMPARE(form->statusMessage(), warning);
        // Every word in the label's rows, the rows inside the label, and the
        // label inside the window.
        QLabel *shown = form->label("statusMessage");
        QCOMPARE(QString(shown->text()).remove('\n'), warning);
        QTRY_VERIFY(shown->contentsRect().contains(
            shown->fontMetrics().boundingRect(shown->contentsRect(), 0, shown->text())));
        QVERIFY(form->rect().contains(QRect(shown->mapTo(form.get(), QPoint()), shown->size())));

        QTest::mouseClick(form->objectList()->viewport(), Qt::LeftButton);
        QVERIFY(form->statusMessage().isEmpty());
    }

    void zoomStepsAndLimits()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        QCOMPARE(form->view()->zoom(), 1);
        QVERIFY(!form->action("zoomOut")->isEnabled());
        const QList<int> up = {2, 3, 4, 6, 8, 8};
        for (int expected : up) {
            form->action("zoomIn")->trigger();
            QCOMPARE(form->view()->zoom(), expected);
            QCOMPARE(form->dashboard()->size(), QSize(640, 480) * expected);
            QVERIFY(form->action("zoomOut")->isEnabled());
        }
        QVERIFY(!form->action("zoomIn")->isEnabled());
        QCOMPARE(form->label("zoomLevel")->text(), "800 %");
        const QList<int> down = {6, 4, 3, 2, 1, 1};
        for (int expected : down) {
            form->action("zoomOut")->trigger();
            QCOMPARE(form->view()->zoom(), expected);
            QVERIFY(form->action("zoomIn")->isEnabled());
        }
        QVERIFY(!form->action("zoomOut")->isEnabled());

        form->view()->setZoom(50, QPointF());
        QCOMPARE(form->view()->zoom(), DashboardView::MaxZoom);
        form->view()->setZoom(-3, QPointF());
        QCOMPARE(form->view()->zoom(), DashboardView::MinZoom);
        // The tables are untouched by all of it.
        QCOMPARE(form->image().size(), QSize(640, 480));
    }

    void shortcuts_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("to");
        QTest::newRow("Ctrl++") << 1 << QKeySequence(Qt::CTRL | Qt::Key_Plus) << 2;
        QTest::newRow("Ctrl+=") << 2 << QKeySequence(Qt::CTRL | Qt::Key_Equal) << 3;
        QTest::newRow("Ctrl+-") << 6 << QKeySequence(Qt::CTRL | Qt::Key_Minus) << 4;
        QTest::newRow("Ctrl+0") << 8 << QKeySequence(Qt::CTRL | Qt::Key_0) << 1;
    }

    void shortcuts()
    {
        QFETCH(int, from);
        QFETCH(QKeySequence, keys);
        QFETCH(int, to);
        auto form = shownDemo();
        QVERIFY(form);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->view()->setZoom(from, QPointF());
        QTest::keySequence(form.get(), keys);
        QCOMPARE(form->view()->zoom(), to);
    }

    void theSightLeavesOutTheScrollBars()
    {
        // The printed lines are drawn in sight: none under a bar.
        auto form = shownDemo();
        QVERIFY(form);
        form->view()->setZoom(4, QPointF());
        settleLayouts();
        PictureBox *box = form->dashboard();
        const QRect sight = box->sight().translated(box->pos());
        QVERIFY(!sight.isEmpty());
        for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            QScrollBar *bar = form->scrollBar(orientation);
            QVERIFY(bar->isVisible());
            QVERIFY(!sight.intersects(bar->geometry()));
        }
    }

    void actualSizeRestoresTheScrollRanges()
    {
        auto form = shownDemo();
        QVERIFY(form);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        // A long path wraps the load's message over two rows, and the first key
        // clears it: cleared first, so that the view keeps its height.
        QTest::keyClick(form.get(), Qt::Key_Shift);
        QVERIFY(form->statusMessage().isEmpty());
        settleLayouts();
        QScrollBar *verticalBar = form->scrollBar(Qt::Vertical);
        QScrollBar *horizontalBar = form->scrollBar(Qt::Horizontal);
        const BarState vertical = barState(verticalBar);
        const BarState horizontal = barState(horizontalBar);
        const QRect geometry = form->dashboard()->geometry();
        QVERIFY(vertical.enabled && horizontal.enabled);

        for (int i = 0; i < 3; ++i)
            QTest::keySequence(form.get(), QKeySequence(Qt::CTRL | Qt::Key_Plus));
        settleLayouts();
        QCOMPARE(form->view()->zoom(), 4);
        // The ranges follow the zoomed size, in widget pixels.
        QCOMPARE(horizontalBar->minimum(), horizontal.minimum - 3 * 640);
        QCOMPARE(verticalBar->minimum(), vertical.minimum - 3 * 480);
        QCOMPARE(verticalBar->singleStep(), 4);

        QTest::keySequence(form.get(), QKeySequence(Qt::CTRL | Qt::Key_0));
        settleLayouts();
        QCOMPARE(form->view()->zoom(), 1);
        QCOMPARE(barState(verticalBar), vertical);
        QCOMPARE(barState(horizontalBar), horizontal);
        QCOMPARE(verticalBar->singleStep(), 1);
        QCOMPARE(form->dashboard()->geometry(), geometry);
    }

    void wheelZoomKeepsThePointUnderThePointer()
    {
        auto form = shownDemo();
        QVERIFY(form);
        PictureBox *box = form->dashboard();
        const QPoint pointer(120, 90); // in the viewport, where the dashboard stands at 0, 0 now
        auto pixelUnderPointer = [&] { return box->pointerPosition(QPointF(pointer - box->pos())).toPoint(); };
        QCOMPARE(pixelUnderPointer(), pointer);

        sendWheel(box, pointer - box->pos(), 120, Qt::ControlModifier);
        QCOMPARE(form->view()->zoom(), 2);
        QCOMPARE(pixelUnderPointer(), pointer);
        sendWheel(box, pointer - box->pos(), 240, Qt::ControlModifier);
        QCOMPARE(form->view()->zoom(), 4);
        QCOMPARE(pixelUnderPointer(), pointer);
        // A touchpad's half notches add up to one.
        sendWheel(box, pointer - box->pos(), -60, Qt::ControlModifier);
        QCOMPARE(form->view()->zoom(), 4);
        sendWheel(box, pointer - box->pos(), -60, Qt::ControlModifier);
        QCOMPARE(form->view()->zoom(), 3);
        QCOMPARE(pixelUnderPointer(), pointer);
        // Without Ctrl the wheel does not zoom.
        sendWheel(box, pointer - box->pos(), 120, Qt::NoModifier);
        QCOMPARE(form->view()->zoom(), 3);
    }

    void menuZoomKeepsTheViewCentre()
    {
        auto form = shownDemo();
        QVERIFY(form);
        PictureBox *box = form->dashboard();
        const QPointF centre = form->view()->viewCentre();
        const QPointF held = centre - QPointF(box->pos());
        form->action("zoomIn")->trigger();
        form->action("zoomIn")->trigger();
        QCOMPARE(form->view()->zoom(), 3);
        const QPointF now = box->toSurface(centre - QPointF(box->pos()));
        QVERIFY2(std::abs(now.x() - held.x()) <= 0.5 && std::abs(now.y() - held.y()) <= 0.5,
                 qPrintable(QString("%1, %2").arg(now.x()).arg(now.y())));
    }

    // The dashboard's offset along the bar, and the thumb's place, after
    // each click on the bar's real arrows and track.
    void scrollArrowsMoveAsTheyPoint_data()
    {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::newRow("vertical") << Qt::Vertical;
        QTest::newRow("horizontal") << Qt::Horizontal;
    }

    void scrollArrowsMoveAsTheyPoint()
    {
        QFETCH(Qt::Orientation, orientation);
        auto form = shownDemo();
        QVERIFY(form);
        QScrollBar *bar = form->scrollBar(orientation);
        QVERIFY(bar->isEnabled());
        auto offset = [&] {
            const QPoint at = form->dashboard()->pos();
            return orientation == Qt::Vertical ? at.y() : at.x();
        };
        auto click = [&](QStyle::SubControl part) { QTest::mouseClick(bar, Qt::LeftButton, {}, barPart(bar, part)); };
        const QPoint thumbAtStart = barPart(bar, QStyle::SC_ScrollBarSlider);

        // Towards the start, at the start, nothing moves.
        click(QStyle::SC_ScrollBarSubLine);
        QCOMPARE(offset(), 0);
        click(QStyle::SC_ScrollBarAddLine);
        click(QStyle::SC_ScrollBarAddLine);
        QCOMPARE(offset(), -2);
        click(QStyle::SC_ScrollBarSubLine);
        QCOMPARE(offset(), -1);
        click(QStyle::SC_ScrollBarAddPage);
        QCOMPARE(offset(), -2);
        click(QStyle::SC_ScrollBarSubPage);
        QCOMPARE(offset(), -1);
        QCOMPARE(bar->value(), offset());

        // The thumb follows the dashboard to the end.
        bar->setValue(bar->minimum());
        QCOMPARE(offset(), bar->minimum());
        const QPoint thumbAtEnd = barPart(bar, QStyle::SC_ScrollBarSlider);
        QVERIFY(orientation == Qt::Vertical ? thumbAtEnd.y() > thumbAtStart.y() : thumbAtEnd.x() > thumbAtStart.x());
        click(QStyle::SC_ScrollBarAddLine);
        QCOMPARE(offset(), bar->minimum());
        click(QStyle::SC_ScrollBarSubLine);
        QCOMPARE(offset(), bar->minimum() + 1);
    }

    // A notch scrolls the system's lines; Shift turns it sideways, and over
    // the horizontal bar it moves along that bar.
    void wheelScrollsTheView()
    {
        auto form = shownDemo();
        QVERIFY(form);
        PictureBox *box = form->dashboard();
        const int notch = QApplication::wheelScrollLines() * Viewport::WheelLine;
        QScrollBar *vertical = form->scrollBar(Qt::Vertical);
        QScrollBar *horizontal = form->scrollBar(Qt::Horizontal);
        const QPoint inside(50, 50);

        sendWheel(box, inside, 120, Qt::NoModifier);
        QCOMPARE(box->pos(), QPoint(0, 0));
        sendWheel(box, inside, -120, Qt::NoModifier);
        QCOMPARE(box->pos(), QPoint(0, -notch));
        QCOMPARE(vertical->value(), -notch);
        sendWheel(box, inside - box->pos(), -240, Qt::ShiftModifier);
        QCOMPARE(box->pos(), QPoint(-2 * notch, -notch));
        QCOMPARE(horizontal->value(), -2 * notch);
        // Half notches add up.
        sendWheel(vertical, QPoint(5, 50), 60, Qt::NoModifier);
        sendWheel(vertical, QPoint(5, 50), 60, Qt::NoModifier);
        QCOMPARE(box->pos(), QPoint(-2 * notch, 0));
        sendWheel(horizontal, QPoint(50, 5), 120, Qt::NoModifier);
        QCOMPARE(box->pos(), QPoint(-notch, 0));
        // Far past the end stops at it.
        sendWheel(box, inside - box->pos(), -120 * 100, Qt::NoModifier);
        QCOMPARE(box->y(), vertical->minimum());
        QCOMPARE(form->view()->zoom(), 1);
    }

    // The pointer readout in the status bar.

    void pointerReadout_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("at");    // widget pixels, inside the view
        QTest::addColumn<QPoint>("pixel"); // on the dashboard
        QTest::newRow("100 %") << 1 << QPoint(100, 62) << QPoint(100, 62);
        QTest::newRow("300 %") << 3 << QPoint(103, 65) << QPoint(34, 21);
    }

    void pointerReadout()
    {
        QFETCH(int, zoom);
        QFETCH(QPoint, at);
        QFETCH(QPoint, pixel);
        auto form = shownDemo();
        QVERIFY(form);
        form->view()->setZoom(zoom, QPointF());
        QTest::mouseMove(form->dashboard(), at);
        const QString text = form->label("pointerReadout")->text();
        QVERIFY2(text.contains(QString("x %1, y %2").arg(pixel.x()).arg(pixel.y())), qPrintable(text));
        const QColor colour = QColor::fromRgb(form->image().pixel(pixel));
        QVERIFY2(text.contains(colour.name().toUpper()), qPrintable(text));

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(form->dashboard(), &leave);
        QVERIFY(form->label("pointerReadout")->text().isEmpty());
    }

    void zoomingRefreshesTheReadout()
    {
        auto form = shownDemo();
        QVERIFY(form);
        QTest::mouseMove(form->dashboard(), QPoint(91, 61));
        QVERIFY2(form->label("pointerReadout")->text().startsWith("x 91, y 61"), qPrintable(form->label("pointerReadout")->text()));
        // Zoomed around the view's top-left, the pointer stands over another pixel.
        form->view()->setZoom(3, QPointF(0, 0));
        QCOMPARE(form->dashboard()->pos(), QPoint(0, 0));
        QVERIFY2(form->label("pointerReadout")->text().startsWith("x 30, y 20"), qPrintable(form->label("pointerReadout")->text()));
    }

    // The window between runs.

    void windowStateIsRemembered()
    {
        QSettings().clear();
        {
            auto form = newForm();
            form->restoreSettings();
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            QVERIFY(form->openDirectory(m_demo));
            // With nothing kept, the window has grown to show the whole dashboard.
            QVERIFY(!form->scrollBar(Qt::Horizontal)->isEnabled());
            QVERIFY(!form->scrollBar(Qt::Vertical)->isEnabled());
            form->resize(760, 640);
            form->view()->setZoom(2, QPointF());
            form->action("dials")->trigger();
            form->action("showAllObjects")->trigger();
            QVERIFY(form->close());
        }
        auto form = newForm();
        form->restoreSettings();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(form->openDirectory(m_demo));
        QCOMPARE(form->size(), QSize(760, 640));
        QCOMPARE(form->view()->zoom(), 2);
        QVERIFY(form->action("dials")->isChecked() && form->dialPanel()->isVisible());
        QVERIFY(form->action("showAllObjects")->isChecked() && form->view()->showsAllObjects());
        QCOMPARE(m_saveQuestions, 0);
    }

    // A window kept from a taller screen, or a smaller scale, comes back within this screen.
    void aWindowKeptTallerThanTheScreenComesBackWithinIt()
    {
        QSettings().clear();
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        {
            auto form = newForm();
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            form->resize(available.width() / 2, available.height() * 2);
            QCOMPARE(form->height(), available.height() * 2);
            QVERIFY(form->close());
        }
        // As a system that frames its windows saved it: the frame is room taken too.
        const QSize frame(8, 40);
        QSettings().setValue("window/frame", frame);
        auto form = newForm();
        form->restoreSettings();
        QVERIFY(available.contains(QRect(form->pos(), form->size() + frame)));
    }

    // Recent dashboards.

    void recentListOrderAndLimit()
    {
        auto form = newForm();
        QStringList opened;
        for (int i = 0; i < 10; ++i) {
            opened.prepend(smallDashboard(QString("recent%1").arg(i)));
            QVERIFY(form->openDirectory(opened.first()));
        }
        QCOMPARE(recentMenuDirectories(*form), opened.mid(0, RecentDashboardsMax));

        // Opening one again puts it first, once.
        QVERIFY(form->openDirectory(opened[5] + "/"));
        const QStringList expected = QStringList{opened[5]} + opened.mid(0, 5) + opened.mid(6, 2);
        QCOMPARE(recentMenuDirectories(*form), expected);

        // A second window sees the same list.
        auto other = newForm();
        QCOMPARE(recentMenuDirectories(*other), expected);
        QVERIFY(other->menu("recentMenu")->actions().first()->text().startsWith("&1 "));
        QVERIFY(other->menu("recentMenu")->actions().first()->text().endsWith(QDir::toNativeSeparators(opened[5])));
        QCOMPARE(other->menu("recentMenu")->actions().last()->text(), "&Clear List");
        other->menu("recentMenu")->actions().last()->trigger();
        QCOMPARE(recentMenuDirectories(*other), QStringList());
    }

    void missingDirectoriesAreDropped()
    {
        auto form = newForm();
        const QString a = smallDashboard("missing-a");
        const QString b = smallDashboard("missing-b");
        const QString c = smallDashboard("missing-c");
        for (const QString &dir : {a, b, c})
            QVERIFY(form->openDirectory(dir));
        QVERIFY(QDir(b).removeRecursively());
        QCOMPARE(recentMenuDirectories(*form), QStringList({c, a}));
        QCOMPARE(QSettings().value("recentDashboards").toStringList(), QStringList({c, a}));
    }

    void refusedLoadIsNotRemembered()
    {
        auto form = newForm();
        const QString broken = smallDashboard("broken");
        QFile::remove(broken + "/0000.bmp");
        QVERIFY(!form->openDirectory(broken));
        QCOMPARE(recentMenuDirectories(*form), QStringList());
        const QList<QAction *> actions = form->menu("recentMenu")->actions();
        QCOMPARE(actions.size(), 1);
        QVERIFY(!actions.first()->isEnabled());
    }

    void openingARecentDashboard()
    {
        auto form = newForm();
        const QString a = smallDashboard("open-a");
        const QString b = smallDashboard("open-b");
        QVERIFY(form->openDirectory(a));
        QVERIFY(form->openDirectory(b));
        QAction *action = recentAction(*form, a);
        QVERIFY(action);
        action->trigger();
        QCOMPARE(form->document().directory(), a);
        QCOMPARE(recentMenuDirectories(*form), QStringList({a, b}));
        QVERIFY(m_messages.isEmpty());
    }

    void recentAndDropAskAboutUnsavedEdits()
    {
        auto form = shownDemo();
        QVERIFY(form);
        const QString other = smallDashboard("unsaved-other");
        QVERIFY(form->openDirectory(other));
        QVERIFY(form->openDirectory(m_demo));
        form->objectList()->setCurrentRow(1);
        const QPoint from = form->outline().center().toPoint();
        dragOnWidget(form->dashboard(), from, QPoint(3, 2), 1);
        const int16_t moved = form->tables().objects.headers[1].XPos;

        // Cancel keeps the edited dashboard.
        recentAction(*form, other)->trigger();
        QCOMPARE(m_saveQuestions, 1);
        QCOMPARE(form->document().directory(), m_demo);
        QCOMPARE(form->tables().objects.headers[1].XPos, moved);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(other)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
        QTRY_COMPARE(m_saveQuestions, 2);
        QCOMPARE(form->document().directory(), m_demo);

        // Discard opens the other one.
        form->setSaveChangesPrompt([this] {
            ++m_saveQuestions;
            return QMessageBox::Discard;
        });
        recentAction(*form, other)->trigger();
        QCOMPARE(m_saveQuestions, 3);
        QCOMPARE(form->document().directory(), other);
    }

    // Dropping a dashboard on the window.

    void drop_data()
    {
        QTest::addColumn<QStringList>("urls"); // under the test's folder, or web addresses
        QTest::addColumn<QString>("opens");    // empty when refused
        QTest::newRow("folder") << QStringList{"drop-upper"} << "drop-upper";
        QTest::newRow("folder, container in lower case") << QStringList{"drop-lower"} << "drop-lower";
        QTest::newRow("the container") << QStringList{"drop-upper/SHPI.DAT"} << "drop-upper";
        QTest::newRow("the container in lower case") << QStringList{"drop-lower/shpi.dat"} << "drop-lower";
        QTest::newRow("folder without a container") << QStringList{"drop-none"} << "";
        QTest::newRow("another file of a dashboard") << QStringList{"drop-upper/0000.bmp"} << "";
        QTest::newRow("missing") << QStringList{"drop-gone/SHPI.DAT"} << "";
        QTest::newRow("web address") << QStringList{"https://example.com/SHPI.DAT"} << "";
        QTest::newRow("dashboard second") << QStringList{"drop-none", "drop-lower"} << "drop-lower";
    }

    void drop()
    {
        QFETCH(QStringList, urls);
        QFETCH(QString, opens);
        smallDashboard("drop-upper");
        smallDashboard("drop-lower", "shpi.dat");
        QDir().mkpath(m_root.filePath("drop-none"));
        auto form = newForm();
        QVERIFY(form->acceptDrops());

        QMimeData mime;
        QList<QUrl> list;
        for (const QString &url : urls)
            list.append(url.startsWith("https:") ? QUrl(url) : QUrl::fromLocalFile(m_root.filePath(url)));
        mime.setUrls(list);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QCOMPARE(enter.isAccepted(), !opens.isEmpty());

        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
        QCoreApplication::processEvents();
        if (opens.isEmpty()) {
            QVERIFY(form->document().directory().isEmpty());
            QVERIFY(!form->action("save")->isEnabled());
        } else {
            QCOMPARE(form->document().directory(), m_root.filePath(opens));
            QCOMPARE(form->objectList()->count(), 2);
        }
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
    }
};

QTEST_MAIN(TestView)
#include "test_view.moc"
