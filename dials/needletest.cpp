#include "dials/needletest.h"

#include "dials/dialpanel.h"
#include "dials/drawdials.h"
#include "window/form1.h"
#include "window/picturebox.h"

#include <QEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

namespace tolvane {

namespace {

constexpr OleColor red = 0x0000FF; // red is the low byte
constexpr double fullTurn = 2 * std::numbers::pi;

struct Direction
{
    double angle; // radians, clockwise on screen from the +x axis
    double length;
};

Direction direction(QPointF from, QPointF to)
{
    const QPointF d = to - from;
    return {std::atan2(d.y(), d.x()), std::hypot(d.x(), d.y())};
}

// The two ends' directions, an end on the pivot borrowing the other's.
std::pair<Direction, Direction> endDirections(QPointF pivot, QPointF minEnd, QPointF maxEnd)
{
    Direction atMin = direction(pivot, minEnd);
    Direction atMax = direction(pivot, maxEnd);
    if (atMin.length == 0.0)
        atMin.angle = atMax.angle;
    if (atMax.length == 0.0)
        atMax.angle = atMin.angle;
    return {atMin, atMax};
}

// Radians in [0, 2 pi). With y down, a growing atan2 angle turns clockwise.
double clockwiseRadians(double fromAngle, double toAngle)
{
    double sweep = std::fmod(toAngle - fromAngle, fullTurn);
    if (sweep < 0.0)
        sweep += fullTurn;
    // A tiny negative difference wraps to exactly a full turn in doubles.
    return sweep >= fullTurn ? 0.0 : sweep;
}

QPointF point(const DialRecord &record, DialField x, DialField y)
{
    return QPointF(record.field(x), record.field(y));
}

struct TestNeedle
{
    DialField pivotX, pivotY, minX, minY, maxX, maxY, scaleTop;
};

constexpr TestNeedle speedometer = {DialField::SpeedoX,    DialField::SpeedoY,    DialField::SpeedoMinX,
                                    DialField::SpeedoMinY, DialField::SpeedoMaxX, DialField::SpeedoMaxY,
                                    DialField::MphMax};
constexpr TestNeedle tachometer = {DialField::TachoX,    DialField::TachoY,    DialField::TachoMinX,
                                   DialField::TachoMinY, DialField::TachoMaxX, DialField::TachoMaxY,
                                   DialField::RpmMax};

// About a hundredth of the scale, rounded down to 1, 2 or 5 times a power of
// ten, so that the keys reach the round marks of the dial (3000 rpm, 60 mph).
int keyStep(int top)
{
    int step = 1;
    while (step * 100 <= top / 10)
        step *= 10;
    for (const int nicer : {5, 2}) {
        if (step * nicer * 100 <= top)
            return step * nicer;
    }
    return step;
}

void setScaleTop(QSlider *slider, int top)
{
    slider->setEnabled(top > 0);
    slider->setRange(0, std::max(0, top));
    slider->setSingleStep(keyStep(top));
    slider->setPageStep(10 * keyStep(top));
}

} // namespace

double clockwiseSweep(QPointF pivot, QPointF minEnd, QPointF maxEnd)
{
    const auto [atMin, atMax] = endDirections(pivot, minEnd, maxEnd);
    return clockwiseRadians(atMin.angle, atMax.angle) * 180.0 / std::numbers::pi;
}

QPointF needleEndAt(QPointF pivot, QPointF minEnd, QPointF maxEnd, double fraction)
{
    // Written so that NaN gives the minimum too. The ends are returned as
    // they are: the trigonometry below would miss them by a rounding error.
    if (!(fraction > 0.0))
        return minEnd;
    if (fraction >= 1.0)
        return maxEnd;
    const auto [atMin, atMax] = endDirections(pivot, minEnd, maxEnd);
    const double angle = atMin.angle + fraction * clockwiseRadians(atMin.angle, atMax.angle);
    const double length = atMin.length + fraction * (atMax.length - atMin.length);
    return pivot + length * QPointF(std::cos(angle), std::sin(angle));
}

double scaleFraction(int value, int maximum)
{
    if (maximum <= 0)
        return 0.0;
    return std::clamp(double(value) / maximum, 0.0, 1.0);
}

void drawNeedleTest(PictureSurface &BackG, const DialRecord &record, int speed, int revs)
{
    BackG.Cls();
    const int dialWidth = record.field(DialField::DialWidth);
    BackG.setDrawWidth(dialWidth);
    const OleColor colour = dialColour(BackG, record);

    for (const auto &[needle, value] : {std::pair{speedometer, speed}, std::pair{tachometer, revs}}) {
        const QPointF pivot = point(record, needle.pivotX, needle.pivotY);
        const QPointF end = needleEndAt(pivot, point(record, needle.minX, needle.minY),
                                        point(record, needle.maxX, needle.maxY),
                                        scaleFraction(value, record.field(needle.scaleTop)));
        const auto line = needleLine(pivot, end, dialWidth);
        if (!line)
            continue;
        BackG.Line(float(line->start.x()), float(line->start.y()), float(line->end.x()),
                   float(line->end.y()), colour);
    }

    BackG.setDrawWidth(1);
    for (const TestNeedle &needle : {speedometer, tachometer})
        BackG.PSet(record.field(needle.pivotX), record.field(needle.pivotY), red);
}

NeedleTest::NeedleTest(Form1 &form)
    : QWidget(form.SideBar)
    , m_form(form)
{
    // The panel's small font, so that the captions fit its width.
    setFont(form.Frame2->font());
    createControls();
    setVisible(!form.Frame2->isHidden());
    form.Frame2->installEventFilter(this);

    // Each runs after the window's own handling of the same signal.
    connect(form.Frame2, &DialPanel::dialsChanged, this, &NeedleTest::followRecord);
    connect(form.Frame2, &DialPanel::drawDialsClicked, this, &NeedleTest::rest);
    connect(form.Frame2, &DialPanel::setColourClicked, this, &NeedleTest::followPickState);
    connect(form.BackG, &PictureBox::mouseDown, this, &NeedleTest::followPickState);
    followRecord();
}

void NeedleTest::createControls()
{
    const int width = m_form.Frame2->width();
    setFixedSize(width, DesignedHeight);
    constexpr int rowHeight = 18;
    constexpr int margin = 4;
    // The values take what the widest of them needs in this font; the
    // sliders the rest.
    const int valueWidth = std::ranges::max({fontMetrics().horizontalAdvance(tr("%1 mph").arg(32767)),
                                             fontMetrics().horizontalAdvance(tr("%1 rpm").arg(32767))});
    const int valueLeft = width - margin - valueWidth;
    const int sliderWidth = valueLeft - 2 - margin;

    int top = 1;
    for (auto [slider, value, chosen, name, tip] :
         {std::tuple{&speedSlider, &speedValue, &m_chosenSpeed, "TestSpeed",
                     tr("Test speed: draws the speedometer needle here")},
          std::tuple{&revsSlider, &revsValue, &m_chosenRevs, "TestRevs",
                     tr("Test revs: draws the tachometer needle here")}}) {
        *slider = new QSlider(Qt::Horizontal, this);
        (*slider)->setObjectName(QLatin1String(name));
        (*slider)->setGeometry(margin, top, sliderWidth, rowHeight - 2);
        (*slider)->setToolTip(tip);
        (*slider)->setAccessibleName(tip.section(QLatin1Char(':'), 0, 0));
        *value = new QLabel(this);
        (*value)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        (*value)->setGeometry(valueLeft, top, valueWidth, rowHeight - 2);
        (*value)->setToolTip(tip);
        connect(*slider, &QSlider::valueChanged, this, [this, chosen](int chosenValue) {
            *chosen = chosenValue;
            sliderChanged();
        });
        connect(*slider, &QSlider::sliderPressed, this, &NeedleTest::sliderChanged);
        connect(*slider, &QSlider::sliderReleased, this, &NeedleTest::sliderChanged);
        top += rowHeight;
    }
}

bool NeedleTest::isAtRest() const
{
    return speedSlider->value() == 0 && revsSlider->value() == 0 && !speedSlider->isSliderDown()
        && !revsSlider->isSliderDown();
}

void NeedleTest::followRecord()
{
    {
        const QSignalBlocker blockSpeed(speedSlider);
        const QSignalBlocker blockRevs(revsSlider);
        const DialRecord &record = m_form.tables.dialRecord;
        setScaleTop(speedSlider, record.field(DialField::MphMax));
        setScaleTop(revsSlider, record.field(DialField::RpmMax));
        speedSlider->setValue(m_chosenSpeed);
        revsSlider->setValue(m_chosenRevs);
    }
    sliderChanged();
}

void NeedleTest::rest()
{
    {
        const QSignalBlocker blockSpeed(speedSlider);
        const QSignalBlocker blockRevs(revsSlider);
        speedSlider->setValue(0);
        revsSlider->setValue(0);
    }
    m_chosenSpeed = 0;
    m_chosenRevs = 0;
    m_testShown = false;
    showValues();
}

void NeedleTest::sliderChanged()
{
    showValues();
    if (!isAtRest()) {
        m_testShown = true;
        drawNeedleTest(m_form.BackGSurface, m_form.tables.dialRecord, speedSlider->value(),
                       revsSlider->value());
    } else if (m_testShown) {
        m_testShown = false;
        m_form.Command3_Click();
    }
}

void NeedleTest::showValues()
{
    speedValue->setText(tr("%1 mph").arg(speedSlider->value()));
    revsValue->setText(tr("%1 rpm").arg(revsSlider->value()));
}

void NeedleTest::followPickState()
{
    // Arming has shown the bare picture to pick from; the test keeps off it.
    if (m_form.ColourPickArmed)
        rest();
    setEnabled(!m_form.ColourPickArmed);
}

bool NeedleTest::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form.Frame2) {
        if (event->type() == QEvent::ShowToParent) {
            move(m_form.Frame2->x(), m_form.Frame2->geometry().bottom() + 1);
            show();
        } else if (event->type() == QEvent::HideToParent) {
            // Leaving the panel draws nothing, so the test ends silently.
            rest();
            hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
