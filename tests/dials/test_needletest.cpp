#include "demo/demodashboard.h"
#include "common/dialseditor.h"
#include "dials/drawdials.h"
#include "dials/needlesweep.h"

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
std::unique_ptr<DialsEditor> dialsWindow(const Fields &fields = gauges())
{
    auto form = std::make_unique<DialsEditor>(dashboard(), fields);
    form->action("dials")->trigger();
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
    QCOMPARE(form->slider("TestSpeed")->maximum(), 160);
    QCOMPARE(form->slider("TestRevs")->maximum(), 8000);
    QVERIFY(form->slider("TestSpeed")->isEnabled());

    form->slider("TestSpeed")->setValue(120);
    typeInto(form->dialBox(1), QStringLiteral("100"));
    QCOMPARE(form->slider("TestSpeed")->maximum(), 100);
    QCOMPARE(form->slider("TestSpeed")->value(), 100); // lowered to the new top
    QCOMPARE(form->label("TestSpeedValue")->text(), QStringLiteral("100 mph"));
    // Passing through 1 and 16 while retyped, the top takes the value down
    // only for a moment.
    typeInto(form->dialBox(1), QStringLiteral("160"));
    QCOMPARE(form->slider("TestSpeed")->value(), 120);

    // A scale without a positive top cannot be tested.
    typeInto(form->dialBox(8), QStringLiteral("0"));
    QVERIFY(!form->slider("TestRevs")->isEnabled());
    QCOMPARE(form->slider("TestRevs")->maximum(), 0);
    form->dialBox(8)->setText(QStringLiteral("-50"));
    QVERIFY(!form->slider("TestRevs")->isEnabled());
    typeInto(form->dialBox(8), QStringLiteral("6000"));
    QVERIFY(form->slider("TestRevs")->isEnabled());
    QCOMPARE(form->slider("TestRevs")->maximum(), 6000);
}

void TestNeedleTest::rangesFollowALoad()
{
    QTemporaryDir root;
    const QString demo = root.filePath(QStringLiteral("demo"));
    QVERIFY(writeDemoDashboard(demo));
    const auto form = dialsWindow({{DialField::MphMax, 1}, {DialField::RpmMax, 1}});

    QVERIFY(form->openDirectory(demo));
    const DialRecord &loaded = form->tables().dialRecord;
    QVERIFY(loaded.field(DialField::MphMax) > 1);
    QCOMPARE(form->slider("TestSpeed")->maximum(), int(loaded.field(DialField::MphMax)));
    QCOMPARE(form->slider("TestRevs")->maximum(), int(loaded.field(DialField::RpmMax)));
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
    typeInto(form->dialBox(8), top);
    QSlider *slider = form->slider("TestRevs");
    QCOMPARE(slider->singleStep(), step);

    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), step);
    QTest::keyClick(slider, Qt::Key_PageUp);
    QCOMPARE(slider->value(), std::min(11 * step, top.toInt()));
}

void TestNeedleTest::placedUnderTheDialsPanel()
{
    const auto form = dialsWindow({{DialField::MphMax, 32767}, {DialField::RpmMax, 32767}});
    form->show();
    NeedleTest *test = form->needleTest();
    QVERIFY(test->isVisibleTo(form->sideBar()));
    const QRect placed(test->mapTo(form->sideBar(), QPoint()), test->size());
    const QLineEdit *lastBox = form->dialBox(DialPanel::BoxCount - 1);
    QVERIFY(placed.top() > QRect(lastBox->mapTo(form->sideBar(), QPoint()), lastBox->size()).bottom());
    QVERIFY(placed.right() < form->sideBar()->width());

    form->slider("TestSpeed")->setValue(32767);
    form->slider("TestRevs")->setValue(32767);
    for (const QLabel *value : {form->label("TestSpeedValue"), form->label("TestRevsValue")}) {
        QVERIFY2(value->fontMetrics().horizontalAdvance(value->text()) <= value->width(),
                 qPrintable(value->text()));
        QVERIFY(!value->geometry().intersects(form->slider("TestSpeed")->geometry()));
        QVERIFY(!value->geometry().intersects(form->slider("TestRevs")->geometry()));
    }
    QVERIFY(!form->slider("TestSpeed")->geometry().intersects(form->slider("TestRevs")->geometry()));
    QVERIFY(form->slider("TestSpeed")->width() >= 40);
}

void TestNeedleTest::drawsNeedlesAtTheSliderValues()
{
    const auto form = dialsWindow();
    form->slider("TestSpeed")->setValue(80);
    QVERIFY(!form->needleTest()->isAtRest());

    // 80 of 160 mph points straight up, 14.1 pixels long; the line starts one
    // pixel (DialWidth) above the pivot.
    QCOMPARE(pixel(form->image(), 30, 16), needleGreen);
    QCOMPARE(pixel(form->image(), 30, 29), needleGreen);
    QCOMPARE(pixel(form->image(), 30, 15), white);
    QCOMPARE(pixel(form->image(), 30, 30), red);
    // No minimum and maximum needles, no dots at their ends.
    QCOMPARE(pixel(form->image(), 25, 35), white);
    QCOMPARE(pixel(form->image(), 40, 40), white);
    QCOMPARE(pixel(form->image(), 20, 40), white);
    // The tachometer stands at 0 rpm: its minimum, straight down.
    QCOMPARE(pixel(form->image(), 60, 50), needleGreen);
    QCOMPARE(pixel(form->image(), 60, 40), red);
    QCOMPARE(pixel(form->image(), 40, 40), white);

    // 4000 of 8000 rpm: down-left at 45 degrees, 15 pixels long.
    form->slider("TestRevs")->setValue(4000);
    const QPointF tip = polar(QPointF(60, 40), 135, 15);
    QCOMPARE(pixel(form->image(), qRound(tip.x()), qRound(tip.y())), needleGreen);
    QCOMPARE(pixel(form->image(), 60, 50), white);
    QCOMPARE(pixel(form->image(), 30, 16), needleGreen); // the speedometer stays at 80
    QCOMPARE(form->label("TestRevsValue")->text(), QStringLiteral("4000 rpm"));
}

void TestNeedleTest::backAtRestDrawsTheNormalPreview()
{
    const auto form = dialsWindow(gauges(2));
    const QImage preview = drawDialsAlone(form->tables().dialRecord);
    QCOMPARE(form->image(), preview);

    form->slider("TestSpeed")->setValue(40);
    form->slider("TestRevs")->setValue(2000);
    QVERIFY(form->image() != preview);
    form->slider("TestSpeed")->setValue(0);
    QVERIFY(form->image() != preview); // the revs still test
    form->slider("TestRevs")->setValue(0);
    QVERIFY(form->needleTest()->isAtRest());
    QCOMPARE(form->image(), preview);
}

void TestNeedleTest::holdingASliderAtZeroShowsTheMinimum()
{
    const auto form = dialsWindow();
    QSlider *slider = form->slider("TestSpeed");
    slider->setSliderDown(true);
    QVERIFY(!form->needleTest()->isAtRest());
    QCOMPARE(pixel(form->image(), 25, 35), needleGreen); // the minimum needle
    QCOMPARE(pixel(form->image(), 35, 35), white);       // not the maximum

    slider->setSliderDown(false);
    QCOMPARE(form->image(), drawDialsAlone(form->tables().dialRecord));
}

void TestNeedleTest::boxEditRedrawsTheTestUnlessAtRest()
{
    const auto form = dialsWindow();
    const DialRecord &record = form->tables().dialRecord;
    typeInto(form->dialBox(2), QStringLiteral("34")); // speedometer pivot x
    QCOMPARE(form->image(), drawDialsAlone(record));

    form->slider("TestSpeed")->setValue(160);
    typeInto(form->dialBox(4), QStringLiteral("50")); // maximum end x
    // At full scale the needle ends exactly on the new maximum end.
    QCOMPARE(pixel(form->image(), 50, 40), needleGreen);
    QCOMPARE(pixel(form->image(), 34, 30), red);
    QCOMPARE(pixel(form->image(), 50, 41), white);
    QVERIFY(form->image() != drawDialsAlone(record));
}

void TestNeedleTest::drawDialsButtonReturnsToRest()
{
    const auto form = dialsWindow();
    form->slider("TestSpeed")->setValue(100);
    form->slider("TestRevs")->setValue(100);
    QTest::mouseClick(form->button("drawDials"), Qt::LeftButton);
    QVERIFY(form->needleTest()->isAtRest());
    QCOMPARE(form->label("TestSpeedValue")->text(), QStringLiteral("0 mph"));
    QCOMPARE(form->image(), drawDialsAlone(form->tables().dialRecord));
}

void TestNeedleTest::leavingThePanelEndsTheTestSilently()
{
    const auto form = dialsWindow();
    form->slider("TestSpeed")->setValue(100);
    const QImage tested = form->image();

    form->action("objects")->trigger();
    QVERIFY(!form->needleTest()->isVisibleTo(form->sideBar()));
    QVERIFY(form->needleTest()->isAtRest());
    QCOMPARE(form->image(), tested); // the switch to Objects draws nothing

    form->action("dials")->trigger();
    QVERIFY(form->needleTest()->isVisibleTo(form->sideBar()));
    QCOMPARE(form->image(), drawDialsAlone(form->tables().dialRecord));
}

void TestNeedleTest::colourPickKeepsTheTestOff()
{
    const auto form = dialsWindow();
    form->slider("TestSpeed")->setValue(100);
    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QVERIFY(form->colourPickArmed());
    QVERIFY(!form->needleTest()->isEnabled());
    QVERIFY(form->needleTest()->isAtRest());
    QCOMPARE(form->image(), dashboard()); // the bare picture to pick from

    QTest::mouseClick(form->dashboard(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(!form->colourPickArmed());
    QVERIFY(form->needleTest()->isEnabled());
    QCOMPARE(form->image(), drawDialsAlone(form->tables().dialRecord));

    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QTest::mouseClick(form->button("setColour"), Qt::LeftButton); // cancelled
    QVERIFY(form->needleTest()->isEnabled());
}

QTEST_MAIN(TestNeedleTest)
#include "test_needletest.moc"
