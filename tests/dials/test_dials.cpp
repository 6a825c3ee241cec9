#include "common/dialseditor.h"
#include "common/objectfixture.h"
#include "dials/drawdials.h"
#include "document/dashboarddocument.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

using namespace tolvane;
using namespace testing_support;

Q_DECLARE_METATYPE(DialField)

namespace {

constexpr OleColor black = 0x000000;

QImage dashboard()
{
    return dialDashboard(QSize(64, 48));
}

// Two needles on each dial: speedometer pivot (10, 10) to (20, 10) at its
// maximum and to (10, 20) at its minimum; tachometer pivot (40, 20) to
// (50, 20) and (40, 30). The colour sample is the green pixel.
Fields standardDials(int dialWidth)
{
    return {{DialField::DialWidth, dialWidth},
            {DialField::SpeedoX, 10}, {DialField::SpeedoY, 10},
            {DialField::SpeedoMaxX, 20}, {DialField::SpeedoMaxY, 10},
            {DialField::SpeedoMinX, 10}, {DialField::SpeedoMinY, 20},
            {DialField::TachoX, 40}, {DialField::TachoY, 20},
            {DialField::TachoMaxX, 50}, {DialField::TachoMaxY, 20},
            {DialField::TachoMinX, 40}, {DialField::TachoMinY, 30},
            {DialField::ColourX, 2}, {DialField::ColourY, 2}};
}

QLineEdit *boxOf(QWidget &panel, int index)
{
    return EditorWindow::dialBoxOf(&panel, index);
}

const QList<QPoint> standardDots = {{10, 10}, {20, 10}, {10, 20}, {40, 20}, {50, 20}, {40, 30}};

QImage drawnAlone(const DialRecord &record)
{
    PictureSurface fresh;
    fresh.setPicture(dashboard());
    DrawDials(fresh, record);
    return fresh.image();
}

} // namespace

class TestDials : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The needle geometry.
    void needleStartsDialWidthFromPivot_data();
    void needleStartsDialWidthFromPivot();
    void needleOfLengthZeroHasNoLine();

    // Draw Dials on a picture.
    void drawsNeedlesAndDots();
    void needlesTakeBlackOutsideThePicture();
    void needleOfLengthZeroDrawsItsDotOnly();
    void widthLongerThanNeedleDrawsBeyondTheEnd();
    void widthBelowOneDrawsOnePixelWide();

    // The panel's boxes.
    void keyFilter_data();
    void keyFilter();
    void controlCharactersAreDiscarded();
    void pasteShortcutIsNormalised();
    void eachAcceptedKeystrokeStoresAndRedraws();
    void normalisesAndStores_data();
    void normalisesAndStores();
    void unstorableTextKeepsFieldAndShowsRed_data();
    void unstorableTextKeepsFieldAndShowsRed();
    void unstorableTextSaysWhatIsKeptAndRevertsOnLeaving_data();
    void unstorableTextSaysWhatIsKeptAndRevertsOnLeaving();
    void boxesMapToFields_data();
    void boxesMapToFields();
    void fillShowsEveryField();
    void startsAtZeroAndTabsByIndex();
    void labelsFitBesideTheBoxes();

    // The panel in the window.
    void changedBoxRedrawsEverything();
    void drawDialsButtonRedraws();
    void setColourArmsAndCancels();
    void pickTakesColourUnderPointer();
};

void TestDials::needleStartsDialWidthFromPivot_data()
{
    QTest::addColumn<QPointF>("pivot");
    QTest::addColumn<QPointF>("end");
    QTest::addColumn<double>("width");

    QTest::newRow("width 1, horizontal") << QPointF(10, 10) << QPointF(20, 10) << 1.0;
    QTest::newRow("width 1, diagonal") << QPointF(0, 0) << QPointF(30, -40) << 1.0;
    QTest::newRow("width 3, upwards") << QPointF(5, 50) << QPointF(5, 2) << 3.0;
    QTest::newRow("width equals length") << QPointF(0, 0) << QPointF(3, 4) << 5.0;
    QTest::newRow("width longer than needle") << QPointF(10, 10) << QPointF(13, 14) << 8.0;
    QTest::newRow("width 0") << QPointF(1, 1) << QPointF(7, 9) << 0.0;
}

void TestDials::needleStartsDialWidthFromPivot()
{
    QFETCH(QPointF, pivot);
    QFETCH(QPointF, end);
    QFETCH(double, width);

    const auto line = needleLine(pivot, end, width);
    QVERIFY(line);
    QCOMPARE(line->end, end);
    // Walking width pixels from the pivot along the unit direction to the end.
    const QPointF direction = (end - pivot) / std::hypot(end.x() - pivot.x(), end.y() - pivot.y());
    const QPointF expected = pivot + width * direction;
    QVERIFY2(std::abs(line->start.x() - expected.x()) < 1e-9
                 && std::abs(line->start.y() - expected.y()) < 1e-9,
             qPrintable(QStringLiteral("start (%1, %2)").arg(line->start.x()).arg(line->start.y())));
}

void TestDials::needleOfLengthZeroHasNoLine()
{
    QVERIFY(!needleLine(QPointF(7, 7), QPointF(7, 7), 1));
    QVERIFY(!needleLine(QPointF(0, 0), QPointF(0, 0), 0));
}

void TestDials::drawsNeedlesAndDots()
{
    PictureSurface surface;
    surface.setPicture(dashboard());
    DrawDials(surface, dialRecord(standardDials(1)));

    for (const QPoint &dot : standardDots)
        QCOMPARE(pixel(surface, dot.x(), dot.y()), red);
    // Width 1: each needle starts one pixel beyond its pivot.
    for (const QPoint &p : {QPoint(11, 10), QPoint(15, 10), QPoint(19, 10), QPoint(10, 11),
                            QPoint(10, 19), QPoint(45, 20), QPoint(40, 25)})
        QCOMPARE(pixel(surface, p.x(), p.y()), needleGreen);
    // One pixel wide, and nothing outside the needles.
    for (const QPoint &p : {QPoint(15, 9), QPoint(15, 11), QPoint(9, 15), QPoint(21, 10),
                            QPoint(30, 30), QPoint(9, 10)})
        QCOMPARE(pixel(surface, p.x(), p.y()), white);
    QCOMPARE(surface.penWidth(), 1);
}

void TestDials::needlesTakeBlackOutsideThePicture()
{
    for (const QPoint &sample : {QPoint(64, 0), QPoint(-1, 5), QPoint(3, 48), QPoint(32767, -32768)}) {
        PictureSurface surface;
        surface.setPicture(dashboard());
        DialRecord record = dialRecord(standardDials(1));
        record.setField(DialField::ColourX, int16_t(sample.x()));
        record.setField(DialField::ColourY, int16_t(sample.y()));
        DrawDials(surface, record);
        QCOMPARE(pixel(surface, 15, 10), black);
        QCOMPARE(pixel(surface, 40, 25), black);
    }
}

void TestDials::needleOfLengthZeroDrawsItsDotOnly()
{
    PictureSurface surface;
    surface.setPicture(dashboard());
    // The speedometer's minimum needle ends at its pivot; the tachometer,
    // all zero, is three needles of length 0 at the origin.
    DrawDials(surface, dialRecord({{DialField::DialWidth, 3},
                                   {DialField::SpeedoX, 20}, {DialField::SpeedoY, 20},
                                   {DialField::SpeedoMinX, 20}, {DialField::SpeedoMinY, 20},
                                   {DialField::SpeedoMaxX, 20}, {DialField::SpeedoMaxY, 40},
                                   {DialField::ColourX, 2}, {DialField::ColourY, 2}}));

    QCOMPARE(pixel(surface, 20, 20), red);
    QCOMPARE(pixel(surface, 0, 0), red);
    for (const QPoint &p : {QPoint(19, 20), QPoint(21, 20), QPoint(20, 19), QPoint(1, 0), QPoint(0, 1)})
        QCOMPARE(pixel(surface, p.x(), p.y()), white);
    QCOMPARE(pixel(surface, 20, 30), needleGreen); // the other needle is drawn
}

void TestDials::widthLongerThanNeedleDrawsBeyondTheEnd()
{
    PictureSurface surface;
    surface.setPicture(dashboard());
    // Needle (10, 10) to (13, 10), width 8: the line runs from (18, 10) back to
    // the end, with round ends of radius 4.
    DrawDials(surface, dialRecord({{DialField::DialWidth, 8},
                                   {DialField::SpeedoX, 10}, {DialField::SpeedoY, 10},
                                   {DialField::SpeedoMaxX, 13}, {DialField::SpeedoMaxY, 10},
                                   {DialField::SpeedoMinX, 10}, {DialField::SpeedoMinY, 10},
                                   {DialField::TachoX, 60}, {DialField::TachoY, 45},
                                   {DialField::TachoMaxX, 60}, {DialField::TachoMaxY, 45},
                                   {DialField::TachoMinX, 60}, {DialField::TachoMinY, 45},
                                   {DialField::ColourX, 2}, {DialField::ColourY, 2}}));
    QCOMPARE(pixel(surface, 21, 10), needleGreen);
    QCOMPARE(pixel(surface, 18, 13), needleGreen);
    QCOMPARE(pixel(surface, 24, 10), white);
    QCOMPARE(pixel(surface, 7, 10), white); // the pivot's side stays clear
    QCOMPARE(pixel(surface, 10, 10), red);
    QCOMPARE(pixel(surface, 13, 10), red);
}

void TestDials::widthBelowOneDrawsOnePixelWide()
{
    for (int width : {0, -1, -32768}) {
        PictureSurface surface;
        surface.setPicture(dashboard());
        DrawDials(surface, dialRecord(standardDials(width)));
        QCOMPARE(pixel(surface, 15, 10), needleGreen);
        QCOMPARE(pixel(surface, 15, 9), white);
        QCOMPARE(pixel(surface, 15, 11), white);
        for (const QPoint &dot : standardDots)
            QCOMPARE(pixel(surface, dot.x(), dot.y()), red);
    }
}

void TestDials::keyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("letters") << "abcXYZ" << "12";
    QTest::newRow("minus") << "-" << "12";
    QTest::newRow("decimal point") << "." << "12";
    QTest::newRow("blank") << " " << "12";
    QTest::newRow("plus and comma") << "+," << "12";
    QTest::newRow("digits among others") << "a3-4 .5" << "12345";
}

void TestDials::keyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    DashboardDocument document;
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    QLineEdit *box = boxOf(panel, 2);
    box->setText(QStringLiteral("12"));
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), shown);
    QCOMPARE(record.field(DialField::SpeedoX), int16_t(shown.toInt()));

    QTest::keyClick(box, Qt::Key_Backspace);
    shown.chop(1);
    QCOMPARE(box->text(), shown);
    QCOMPARE(record.field(DialField::SpeedoX), int16_t(shown.toInt()));
}

void TestDials::controlCharactersAreDiscarded()
{
    DashboardDocument document;
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    QLineEdit *box = boxOf(panel, 0);
    QSignalSpy returns(box, &QLineEdit::returnPressed);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    QCOMPARE(returns.count(), 0);

    // Keys without a character still edit.
    box->setText(QStringLiteral("345"));
    box->setCursorPosition(0);
    QTest::keyClick(box, Qt::Key_Right);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->text(), QStringLiteral("35"));
    QCOMPARE(record.field(DialField::DialWidth), int16_t(35));
}

void TestDials::pasteShortcutIsNormalised()
{
    DashboardDocument document;
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    QLineEdit *box = boxOf(panel, 13);

    for (const auto &[pasted, stored] : {std::pair(QStringLiteral("12.9"), 12),
                                         std::pair(QStringLiteral("-3"), -3)}) {
        QGuiApplication::clipboard()->setText(pasted);
        box->selectAll();
        QTest::keySequence(box, QKeySequence::Paste);
        QCOMPARE(box->text(), QString::number(stored));
        QCOMPARE(record.field(DialField::TachoMinX), int16_t(stored));
    }
}

void TestDials::eachAcceptedKeystrokeStoresAndRedraws()
{
    DashboardDocument document;
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    QLineEdit *box = boxOf(panel, 4);
    box->setFocus();
    QSignalSpy redraws(&document, &DashboardDocument::dialChanged);
    QList<int16_t> storedAtRedraw;
    connect(&document, &DashboardDocument::dialChanged, this,
            [&] { storedAtRedraw.append(record.field(DialField::SpeedoMaxX)); });

    box->end(false);
    QTest::keyClicks(box, QStringLiteral("1x05"));
    QCOMPARE(box->text(), QStringLiteral("105"));
    QCOMPARE(storedAtRedraw, (QList<int16_t>{1, 10, 105}));

    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(redraws.count(), 4);
    QCOMPARE(storedAtRedraw.last(), int16_t(10));
}

void TestDials::normalisesAndStores_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("leading zeros") << "0012" << "12";
    QTest::newRow("fraction") << "12.9" << "12";
    QTest::newRow("negative") << "-3" << "-3";
    QTest::newRow("negative fraction") << "-2.7" << "-3";
    QTest::newRow("minus half") << "-0.5" << "-1";
    QTest::newRow("minus zero") << "-0" << "0";
    QTest::newRow("exponent") << "1.5e2" << "150";
    QTest::newRow("largest") << "32767.99" << "32767";
    QTest::newRow("smallest") << "-32768" << "-32768";
}

void TestDials::normalisesAndStores()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);

    DashboardDocument document;
    document.setDialField(DialField::TachoMaxY, 99);
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    QSignalSpy redraws(&document, &DashboardDocument::dialChanged);
    boxOf(panel, 12)->setText(text);
    QCOMPARE(boxOf(panel, 12)->text(), shown);
    QCOMPARE(record.field(DialField::TachoMaxY), int16_t(shown.toInt()));
    QCOMPARE(redraws.count(), 1);
    QVERIFY(!panel.isMarkedInvalid(12));
}

void TestDials::unstorableTextKeepsFieldAndShowsRed_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "abc";
    QTest::newRow("minus alone") << "-";
    QTest::newRow("above range") << "32768";
    QTest::newRow("below range") << "-32768.5";
    QTest::newRow("huge") << "1e300";
    QTest::newRow("not a number") << "nan";
    QTest::newRow("infinity") << "inf";
}

void TestDials::unstorableTextKeepsFieldAndShowsRed()
{
    QFETCH(QString, text);

    DashboardDocument document;
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    QLineEdit *box = boxOf(panel, 9);
    const QColor normalText = box->palette().color(QPalette::Text);
    box->setText(QStringLiteral("7"));
    const DialRecord before = record;
    QSignalSpy redraws(&document, &DashboardDocument::dialChanged);

    box->setText(text);
    QCOMPARE(box->text(), text);
    QVERIFY(record == before);
    QCOMPARE(redraws.count(), 0);
    QVERIFY(panel.isMarkedInvalid(9));
    QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::red));

    box->setText(QStringLiteral("8"));
    QCOMPARE(record.field(DialField::TachoX), int16_t(8));
    QVERIFY(!panel.isMarkedInvalid(9));
    QCOMPARE(box->palette().color(QPalette::Text), normalText);
}

void TestDials::unstorableTextSaysWhatIsKeptAndRevertsOnLeaving_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("kept");

    // Typed after selecting the whole "7"; each valid prefix is stored.
    QTest::newRow("emptied") << "" << 7;
    QTest::newRow("too large") << "99999" << 9999;
}

void TestDials::unstorableTextSaysWhatIsKeptAndRevertsOnLeaving()
{
    QFETCH(QString, typed);
    QFETCH(int, kept);

    DashboardDocument document;
    document.setDialField(DialField::TachoX, 7);
    QWidget window;
    auto *panel = new DialPanel(document, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy status(panel, &DialPanel::statusWarning);
    QSignalSpy cleared(panel, &DialPanel::statusWarningCleared);
    QLineEdit *box = boxOf(*panel, 9);
    box->setFocus();

    QTest::keySequence(box, QKeySequence::SelectAll);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, typed);
    QVERIFY(panel->isMarkedInvalid(9));
    const QString told = QStringLiteral("TachoX keeps %1: type a whole number from -32768 to 32767").arg(kept);
    QCOMPARE(box->toolTip(), told);
    QCOMPARE(status.last().first().toString(), told);

    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), boxOf(*panel, 10));
    QCOMPARE(box->text(), QString::number(kept));
    QCOMPARE(document.tables().dialRecord.field(DialField::TachoX), int16_t(kept));
    QVERIFY(!panel->isMarkedInvalid(9));
    QVERIFY(box->toolTip().isEmpty());
    QCOMPARE(cleared.last().first(), status.last().at(1));
}

void TestDials::boxesMapToFields_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<DialField>("field");

    const DialField fields[] = {
        DialField::DialWidth, DialField::MphMax, DialField::SpeedoX, DialField::SpeedoY,
        DialField::SpeedoMaxX, DialField::SpeedoMaxY, DialField::SpeedoMinX, DialField::SpeedoMinY,
        DialField::RpmMax, DialField::TachoX, DialField::TachoY, DialField::TachoMaxX,
        DialField::TachoMaxY, DialField::TachoMinX, DialField::TachoMinY,
    };
    for (int i = 0; i < 15; ++i)
        QTest::addRow("box %d", i) << i << fields[i];
}

void TestDials::boxesMapToFields()
{
    QFETCH(int, index);
    QFETCH(DialField, field);

    DashboardDocument document;
    DialPanel panel(document);
    const DialRecord &record = document.tables().dialRecord;
    boxOf(panel, index)->setText(QStringLiteral("-1234"));
    DialRecord expected;
    expected.setField(field, -1234);
    QVERIFY(record == expected);
}

void TestDials::fillShowsEveryField()
{
    DialRecord loaded;
    for (int i = 0; i < 15; ++i)
        loaded.setField(DialSetFields[i], int16_t(i % 2 ? -i * 100 : i));
    QTemporaryDir dir;
    QVERIFY(writeDialDashboard(dir.path(), dashboard(), loaded));
    DashboardDocument document;
    DialPanel panel(document);
    QSignalSpy redraws(&panel, &DialPanel::drawDialsRequested);
    DiscardingPrinter listing;
    QVERIFY(document.load(dir.path(), listing));

    for (int i = 0; i < 15; ++i)
        QCOMPARE(boxOf(panel, i)->text(), QString::number(loaded.field(DialSetFields[i])));
    QCOMPARE(boxOf(panel, 3)->text(), QStringLiteral("-300"));
    // Boxes that show other numbers redraw the dials, as typing them does.
    QCOMPARE(redraws.count(), 1);
    // A load that changes no box draws nothing.
    QVERIFY(document.load(dir.path(), listing));
    QCOMPARE(redraws.count(), 1);
}

void TestDials::startsAtZeroAndTabsByIndex()
{
    DashboardDocument document;
    QWidget window;
    auto *panel = new DialPanel(document, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    boxOf(*panel, 0)->setFocus();
    for (int i = 1; i < 15; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), boxOf(*panel, i));
    }
    // Tab is no character to filter: nothing was typed, the boxes show their
    // start text.
    for (int i = 0; i < 15; ++i)
        QCOMPARE(boxOf(*panel, i)->text(), QStringLiteral("0"));
    QCOMPARE(panel->findChild<QFrame *>(QStringLiteral("needleColour"))->palette().color(QPalette::Window),
             panel->palette().color(QPalette::Base));
}

void TestDials::labelsFitBesideTheBoxes()
{
    DashboardDocument document;
    DialPanel panel(document);
    panel.show();
    const QList<QLabel *> labels = panel.findChild<QGroupBox *>()->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 18);
    for (const QLabel *label : labels) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        QVERIFY2(label->x() >= 2, qPrintable(label->text()));
        // A label beside a box ends before it.
        for (int i = 0; i < 15; ++i) {
            QVERIFY2(!label->geometry().intersects(boxOf(panel, i)->geometry()), qPrintable(label->text()));
        }
    }
    for (const QPushButton *button : panel.findChildren<QPushButton *>())
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 4,
                 qPrintable(button->text()));
}

void TestDials::changedBoxRedrawsEverything()
{
    const auto form = std::make_unique<DialsEditor>(dashboard(), standardDials(1));
    const DialRecord &record = form->tables().dialRecord;
    QCOMPARE(pixel(form->image(), 15, 10), needleGreen);

    // Speedometer maximum x, typed: 20 becomes 2, then 25.
    QLineEdit *box = form->dialBox(4);
    box->end(false);
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(form->image(), drawnAlone(record));
    QTest::keyClicks(box, QStringLiteral("5"));
    QCOMPARE(record.field(DialField::SpeedoMaxX), int16_t(25));

    QCOMPARE(form->image(), drawnAlone(record));
    QCOMPARE(pixel(form->image(), 25, 10), red);
    QCOMPARE(pixel(form->image(), 24, 10), needleGreen);
    QCOMPARE(pixel(form->image(), 20, 10), needleGreen); // the old end's dot is gone
    QCOMPARE(pixel(form->image(), 3, 10), white);        // so is the needle to 2
}

void TestDials::drawDialsButtonRedraws()
{
    const auto form = std::make_unique<DialsEditor>(dashboard(), standardDials(2));
    // Arming the pick shows the bare picture; Draw Dials draws the needles on it.
    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QVERIFY(samePixels(form->image(), dashboard()));
    QTest::mouseClick(form->button("drawDials"), Qt::LeftButton);
    QCOMPARE(form->image(), drawnAlone(form->tables().dialRecord));
}

void TestDials::setColourArmsAndCancels()
{
    const auto form = std::make_unique<DialsEditor>(dashboard(), standardDials(1));
    DialPanel *panel = form->dialPanel();
    const DialRecord before = form->tables().dialRecord;
    panel->setSwatch(0x00FFFF); // as a preview under the pointer leaves it

    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QVERIFY(form->colourPickArmed());
    QCOMPARE(form->button("setColour")->text(), QStringLiteral("Cancel"));
    QCOMPARE(form->image(), dashboard()); // the bare picture to pick from

    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QVERIFY(!form->colourPickArmed());
    QCOMPARE(form->button("setColour")->text(), QStringLiteral("Set Colour"));
    QCOMPARE(panel->swatch(), needleGreen);
    QVERIFY(form->tables().dialRecord == before);
    QCOMPARE(form->image(), drawnAlone(before));

    // A sample point beyond the picture shows black, and the needles with it.
    form->document().setDialField(DialField::ColourY, 48);
    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    QCOMPARE(panel->swatch(), black);
    QCOMPARE(pixel(form->image(), 15, 10), black);
}

void TestDials::pickTakesColourUnderPointer()
{
    constexpr OleColor blue = 0xC00000;
    QImage picture = dashboard();
    picture.setPixel(30, 2, toQRgb(blue));
    const auto form = std::make_unique<DialsEditor>(picture, standardDials(1));
    DialPanel *panel = form->dialPanel();

    QTest::mouseClick(form->button("setColour"), Qt::LeftButton);
    sendMouse(form->dashboard(), QEvent::MouseMove, QPointF(30.2, 2.4), Qt::NoButton, Qt::NoButton);
    QCOMPARE(panel->swatch(), blue);
    QCOMPARE(form->tables().dialRecord.field(DialField::ColourX), int16_t(2));

    // Any button picks; halves round to even.
    sendMouse(form->dashboard(), QEvent::MouseButtonPress, QPointF(30.5, 1.5), Qt::RightButton, Qt::RightButton);
    QVERIFY(!form->colourPickArmed());
    QCOMPARE(form->button("setColour")->text(), QStringLiteral("Set Colour"));
    QCOMPARE(form->tables().dialRecord.field(DialField::ColourX), int16_t(30));
    QCOMPARE(form->tables().dialRecord.field(DialField::ColourY), int16_t(2));
    QCOMPARE(panel->swatch(), blue);
    QCOMPARE(pixel(form->image(), 15, 10), blue);
    QCOMPARE(pixel(form->image(), 10, 10), red);
}

QTEST_MAIN(TestDials)
#include "test_dials.moc"
