#include "demo/demodashboard.h"
#include "common/dialfixture.h"
#include "dials/dialpanel.h"
#include "dials/drawdials.h"
#include "dials/needletest.h"
#include "window/form1.h"
#include "window/picturebox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

using namespace tolvane;
using namespace testing_support;

namespace {

QImage dashboard()
{
    return dialDashboard(QSize(80, 60));
}

// A speedometer reading 0 ... 160 mph over three quarters of a turn, from
// down-left through the top to down-right of its pivot (30, 30), so that
// 80 mph points straight up. A tachometer reading 0 ... 8000 rpm over a
// quarter turn from straight down to straight left of (60, 40), its needle
// growing from 10 to 20 pixels.
Fields gauges(int dialWidth = 1)
{
    return {{DialField::DialWidth, dialWidth}, {DialField::MphMax, 160},     {DialField::RpmMax, 8000},
            {DialField::SpeedoX, 30},          {DialField::SpeedoY, 30},     {DialField::SpeedoMinX, 20},
            {DialField::SpeedoMinY, 40},       {DialField::SpeedoMaxX, 40},  {DialField::SpeedoMaxY, 40},
            {DialField::TachoX, 60},           {DialField::TachoY, 40},      {DialField::TachoMinX, 60},
            {DialField::TachoMinY, 50},        {DialField::TachoMaxX, 40},   {DialField::TachoMaxY, 40},
            {DialField::ColourX, 2},           {DialField::ColourY, 2}};
}

// A window showing the Dials panel over the test dashboard, its boxes filled
// as a load fills them.
std::unique_ptr<Form1> dialsWindow(const Fields &fields = gauges())
{
    auto form = std::make_unique<Form1>();
    form->showMessage = [](const QString &title, const QString &message) {
        QFAIL(qPrintable(title + QLatin1String(": ") + message));
    };
    form->BackGSurface.setPicture(dashboard());
    form->tables.dialRecord = dialRecord(fields);
    form->Frame2->fillFrom(form->tables.dialRecord);
    form->mnuDials->trigger();
    return form;
}

QImage drawDialsAlone(const DialRecord &record)
{
    PictureSurface fresh;
    fresh.setPicture(dashboard());
    DrawDials(fresh, record);
    return fresh.image();
}

void typeInto(QLineEdit *box, const QString &text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

QPointF polar(QPointF pivot, double degrees, double length)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    return pivot + length * QPointF(std::cos(radians), std::sin(radians));
}

bool near(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-9;
}

} // namespace

class TestNeedleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The geometry.
    void sweepsClockwise_data();
    void sweepsClockwise();
    void endsOnThePivotBorrowTheOtherDirection();
    void fractionsAreClamped();

    // The sliders.
    void rangesFollowBoxEdits();
    void rangesFollowALoad();
    void keysStepToRoundMarks_data();
    void keysStepToRoundMarks();
    void placedUnderTheDialsPanel();

    // The drawing.
    void drawsNeedlesAtTheSliderValues();
    void backAtRestDrawsTheNormalPreview();
    void holdingASliderAtZeroShowsTheMinimum();
    void boxEditRedrawsTheTestUnlessAtRest();
    void drawDialsButtonReturnsToRest();
    void leavingThePanelEndsTheTestSilently();
    void colourPickKeepsTheTestOff();
};

void TestNeedleTest::sweepsClockwise_data()
{
    QTest::addColumn<QPointF>("pivot");
    QTest::addColumn<QPointF>("minEnd");
    QTest::addColumn<QPointF>("maxEnd");
    QTest::addColumn<double>("sweep");
    QTest::addColumn<QPointF>("halfway");

    // Angles below are clockwise on screen from the +x axis, y pointing down.
    const QPointF origin(0, 0);
    QTest::newRow("three quarters over the top") << origin << QPointF(-10, 10) << QPointF(10, 10) << 270.0
                                                 << QPointF(0, -std::hypot(10, 10));
    QTest::newRow("quarter, needle grows") << origin << QPointF(0, 10) << QPointF(-20, 0) << 90.0
                                           << polar(origin, 135, 15);
    QTest::newRow("right to up is three quarters") << origin << QPointF(10, 0) << QPointF(0, -10) << 270.0
                                                   << polar(origin, 135, 10);
    // The ends lie either side of the left-pointing axis, where atan2 jumps
    // from +180 to -180 degrees; the short clockwise way passes straight left.
    const QPointF pivot(100, 100);
    const double across = 2 * std::atan2(3.0, 20.0) * 180.0 / std::numbers::pi;
    QTest::newRow("across +-180") << pivot << QPointF(80, 103) << QPointF(80, 97) << across
                                  << QPointF(100 - std::hypot(20, 3), 100);
    QTest::newRow("the other way round") << pivot << QPointF(80, 97) << QPointF(80, 103) << 360.0 - across
                                         << QPointF(100 + std::hypot(20, 3), 100);
    QTest::newRow("same direction only grows") << pivot << QPointF(110, 100) << QPointF(130, 100) << 0.0
                                               << QPointF(120, 100);
}

void TestNeedleTest::sweepsClockwise()
{
    QFETCH(QPointF, pivot);
    QFETCH(QPointF, minEnd);
    QFETCH(QPointF, maxEnd);
    QFETCH(double, sweep);
    QFETCH(QPointF, halfway);

    QVERIFY(std::abs(clockwiseSweep(pivot, minEnd, maxEnd) - sweep) < 1e-9);
    // The ends exactly, not within a rounding error.
    QCOMPARE(needleEndAt(pivot, minEnd, maxEnd, 0.0), minEnd);
    QCOMPARE(needleEndAt(pivot, minEnd, maxEnd, 1.0), maxEnd);
    const QPointF half = needleEndAt(pivot, minEnd, maxEnd, 0.5);
    QVERIFY2(near(half, halfway), qPrintable(QStringLiteral("%1, %2").arg(half.x()).arg(half.y())));
}

void TestNeedleTest::endsOnThePivotBorrowTheOtherDirection()
{
    const QPointF pivot(5, 5);
    QVERIFY(near(needleEndAt(pivot, pivot, QPointF(5, 25), 0.25), QPointF(5, 10)));
    QVERIFY(near(needleEndAt(pivot, QPointF(5, 25), pivot, 0.25), QPointF(5, 20)));
    QCOMPARE(needleEndAt(pivot, pivot, pivot, 0.5), pivot);
    QCOMPARE(clockwiseSweep(pivot, pivot, QPointF(0, 0)), 0.0);
}

void TestNeedleTest::fractionsAreClamped()
{
    const QPointF pivot(0, 0), minEnd(-10, 10), maxEnd(10, 10);
    QCOMPARE(needleEndAt(pivot, minEnd, maxEnd, -0.5), minEnd);
    QCOMPARE(needleEndAt(pivot, minEnd, maxEnd, 1.5), maxEnd);
    QCOMPARE(needleEndAt(pivot, minEnd, maxEnd, std::numeric_limits<double>::quiet_NaN()), minEnd);

    QCOMPARE(scaleFraction(40, 160), 0.25);
    QCOMPARE(scaleFraction(200, 160), 1.0);
    QCOMPARE(scaleFraction(-5, 160), 0.0);
    QCOMPARE(scaleFraction(60, 0), 0.0);
    QCOMPARE(scaleFraction(60, -100), 0.0);
}

void TestNeedleTest::rangesFollowBoxEdits()
{
    const auto form = dialsWindow();
    NeedleTest *test = form->needleTest;
    QCOMPARE(test->speedSlider->maximum(), 160);
    QCOMPARE(test->revsSlider->maximum(), 8000);
    QVERIFY(test->speedSlider->isEnabled());

    test->speedSlider->setValue(120);
    typeInto(form->Frame2->DialSet[1], QStringLiteral("100"));
    QCOMPARE(test->speedSlider->maximum(), 100);
    QCOMPARE(test->speedSlider->value(), 100); // lowered to the new top
    QCOMPARE(test->speedValue->text(), QStringLiteral("100 mph"));
    // Passing through 1 and 16 while retyped, the top takes the value down
    // only for a moment.
    typeInto(form->Frame2->DialSet[1], QStringLiteral("160"));
    QCOMPARE(test->speedSlider->value(), 120);

    // A scale without a positive top cannot be tested.
    typeInto(form->Frame2->DialSet[8], QStringLiteral("0"));
    QVERIFY(!test->revsSlider->isEnabled());
    QCOMPARE(test->revsSlider->maximum(), 0);
    form->Frame2->DialSet[8]->setText(QStringLiteral("-50"));
    QVERIFY(!test->revsSlider->isEnabled());
    typeInto(form->Frame2->DialSet[8], QStringLiteral("6000"));
    QVERIFY(test->revsSlider->isEnabled());
    QCOMPARE(test->revsSlider->maximum(), 6000);
}

void TestNeedleTest::rangesFollowALoad()
{
    QTemporaryDir root;
    const QString demo = root.filePath(QStringLiteral("demo"));
    QVERIFY(writeDemoDashboard(demo));
    const auto form = dialsWindow({{DialField::MphMax, 1}, {DialField::RpmMax, 1}});

    QVERIFY(form->openDirectory(demo));
    const DialRecord &loaded = form->tables.dialRecord;
    QVERIFY(loaded.field(DialField::MphMax) > 1);
    QCOMPARE(form->needleTest->speedSlider->maximum(), int(loaded.field(DialField::MphMax)));
    QCOMPARE(form->needleTest->revsSlider->maximum(), int(loaded.field(DialField::RpmMax)));
}

void TestNeedleTest::keysStepToRoundMarks_data()
{
    QTest::addColumn<QString>("top");
    QTest::addColumn<int>("step");

    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("160") << QStringLiteral("160") << 1;
    QTest::newRow("999") << QStringLiteral("999") << 5;
    QTest::newRow("1000") << QStringLiteral("1000") << 10;
    QTest::newRow("8000") << QStringLiteral("8000") << 50;
    QTest::newRow("12000") << QStringLiteral("12000") << 100;
    QTest::newRow("32767") << QStringLiteral("32767") << 200;
}

void TestNeedleTest::keysStepToRoundMarks()
{
    QFETCH(QString, top);
    QFETCH(int, step);
    const auto form = dialsWindow();
    typeInto(form->Frame2->DialSet[8], top);
    QSlider *slider = form->needleTest->revsSlider;
    QCOMPARE(slider->singleStep(), step);

    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), step);
    QTest::keyClick(slider, Qt::Key_PageUp);
    QCOMPARE(slider->value(), std::min(11 * step, top.toInt()));
}

void TestNeedleTest::placedUnderTheDialsPanel()
{
    const auto form = dialsWindow({{DialField::MphMax, 32767}, {DialField::RpmMax, 32767}});
    NeedleTest *test = form->needleTest;
    QVERIFY(test->isVisibleTo(form->SideBar));
    QCOMPARE(test->y(), form->Frame2->geometry().bottom() + 1);
    QVERIFY(test->geometry().bottom() < Form1::DesignedHeight);
    QVERIFY(test->geometry().right() < form->SideBar->width());

    test->speedSlider->setValue(32767);
    test->revsSlider->setValue(32767);
    for (const QLabel *value : {test->speedValue, test->revsValue}) {
        QVERIFY2(value->fontMetrics().horizontalAdvance(value->text()) <= value->width(),
                 qPrintable(value->text()));
        QVERIFY(!value->geometry().intersects(test->speedSlider->geometry()));
        QVERIFY(!value->geometry().intersects(test->revsSlider->geometry()));
    }
    QVERIFY(!test->speedSlider->geometry().intersects(test->revsSlider->geometry()));
    QVERIFY(test->speedSlider->width() >= 40);
}

void TestNeedleTest::drawsNeedlesAtTheSliderValues()
{
    const auto form = dialsWindow();
    const PictureSurface &surface = form->BackGSurface;
    form->needleTest->speedSlider->setValue(80);
    QVERIFY(!form->needleTest->isAtRest());

    // 80 of 160 mph points straight up, 14.1 pixels long; the line starts one
    // pixel (DialWidth) above the pivot.
    QCOMPARE(pixel(surface, 30, 16), needleGreen);
    QCOMPARE(pixel(surface, 30, 29), needleGreen);
    QCOMPARE(pixel(surface, 30, 15), white);
    QCOMPARE(pixel(surface, 30, 30), red);
    // No minimum and maximum needles, no dots at their ends.
    QCOMPARE(pixel(surface, 25, 35), white);
    QCOMPARE(pixel(surface, 40, 40), white);
    QCOMPARE(pixel(surface, 20, 40), white);
    // The tachometer stands at 0 rpm: its minimum, straight down.
    QCOMPARE(pixel(surface, 60, 50), needleGreen);
    QCOMPARE(pixel(surface, 60, 40), red);
    QCOMPARE(pixel(surface, 40, 40), white);

    // 4000 of 8000 rpm: down-left at 45 degrees, 15 pixels long.
    form->needleTest->revsSlider->setValue(4000);
    const QPointF tip = polar(QPointF(60, 40), 135, 15);
    QCOMPARE(pixel(surface, qRound(tip.x()), qRound(tip.y())), needleGreen);
    QCOMPARE(pixel(surface, 60, 50), white);
    QCOMPARE(pixel(surface, 30, 16), needleGreen); // the speedometer stays at 80
    QCOMPARE(form->needleTest->revsValue->text(), QStringLiteral("4000 rpm"));
}

void TestNeedleTest::backAtRestDrawsTheNormalPreview()
{
    const auto form = dialsWindow(gauges(2));
    const QImage preview = drawDialsAlone(form->tables.dialRecord);
    QCOMPARE(form->BackGSurface.image(), preview);

    form->needleTest->speedSlider->setValue(40);
    form->needleTest->revsSlider->setValue(2000);
    QVERIFY(form->BackGSurface.image() != preview);
    form->needleTest->speedSlider->setValue(0);
    QVERIFY(form->BackGSurface.image() != preview); // the revs still test
    form->needleTest->revsSlider->setValue(0);
    QVERIFY(form->needleTest->isAtRest());
    QCOMPARE(form->BackGSurface.image(), preview);
}

void TestNeedleTest::holdingASliderAtZeroShowsTheMinimum()
{
    const auto form = dialsWindow();
    QSlider *slider = form->needleTest->speedSlider;
    slider->setSliderDown(true);
    QVERIFY(!form->needleTest->isAtRest());
    QCOMPARE(pixel(form->BackGSurface, 25, 35), needleGreen); // the minimum needle
    QCOMPARE(pixel(form->BackGSurface, 35, 35), white);       // not the maximum

    slider->setSliderDown(false);
    QCOMPARE(form->BackGSurface.image(), drawDialsAlone(form->tables.dialRecord));
}

void TestNeedleTest::boxEditRedrawsTheTestUnlessAtRest()
{
    const auto form = dialsWindow();
    const DialRecord &record = form->tables.dialRecord;
    typeInto(form->Frame2->DialSet[2], QStringLiteral("34")); // speedometer pivot x
    QCOMPARE(form->BackGSurface.image(), drawDialsAlone(record));

    form->needleTest->speedSlider->setValue(160);
    typeInto(form->Frame2->DialSet[4], QStringLiteral("50")); // maximum end x
    // At full scale the needle ends exactly on the new maximum end.
    QCOMPARE(pixel(form->BackGSurface, 50, 40), needleGreen);
    QCOMPARE(pixel(form->BackGSurface, 34, 30), red);
    QCOMPARE(pixel(form->BackGSurface, 50, 41), white);
    QVERIFY(form->BackGSurface.image() != drawDialsAlone(record));
}

void TestNeedleTest::drawDialsButtonReturnsToRest()
{
    const auto form = dialsWindow();
    form->needleTest->speedSlider->setValue(100);
    form->needleTest->revsSlider->setValue(100);
    QTest::mouseClick(form->Frame2->Command3, Qt::LeftButton);
    QVERIFY(form->needleTest->isAtRest());
    QCOMPARE(form->needleTest->speedValue->text(), QStringLiteral("0 mph"));
    QCOMPARE(form->BackGSurface.image(), drawDialsAlone(form->tables.dialRecord));
}

void TestNeedleTest::leavingThePanelEndsTheTestSilently()
{
    const auto form = dialsWindow();
    form->needleTest->speedSlider->setValue(100);
    const QImage tested = form->BackGSurface.image();

    form->mnuObjs->trigger();
    QVERIFY(!form->needleTest->isVisibleTo(form->SideBar));
    QVERIFY(form->needleTest->isAtRest());
    QCOMPARE(form->BackGSurface.image(), tested); // the switch to Objects draws nothing

    form->mnuDials->trigger();
    QVERIFY(form->needleTest->isVisibleTo(form->SideBar));
    QCOMPARE(form->BackGSurface.image(), drawDialsAlone(form->tables.dialRecord));
}

void TestNeedleTest::colourPickKeepsTheTestOff()
{
    const auto form = dialsWindow();
    form->needleTest->speedSlider->setValue(100);
    QTest::mouseClick(form->Frame2->Command4, Qt::LeftButton);
    QVERIFY(form->ColourPickArmed);
    QVERIFY(!form->needleTest->isEnabled());
    QVERIFY(form->needleTest->isAtRest());
    QCOMPARE(form->BackGSurface.image(), dashboard()); // the bare picture to pick from

    Q_EMIT form->BackG->mouseDown(1, 0, 2, 2);
    QVERIFY(!form->ColourPickArmed);
    QVERIFY(form->needleTest->isEnabled());
    QCOMPARE(form->BackGSurface.image(), drawDialsAlone(form->tables.dialRecord));

    QTest::mouseClick(form->Frame2->Command4, Qt::LeftButton);
    QTest::mouseClick(form->Frame2->Command4, Qt::LeftButton); // cancelled
    QVERIFY(form->needleTest->isEnabled());
}

QTEST_MAIN(TestNeedleTest)
#include "test_needletest.moc"
