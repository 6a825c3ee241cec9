#include "dials/editor/needletest.h"

#include "document/dashboarddocument.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <tuple>

namespace tolvane {

namespace {

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

NeedleTest::NeedleTest(const DashboardDocument &document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
{
    createControls();
    followRecord();
}

void NeedleTest::createControls()
{
    // The values keep the width the widest of them needs in this font, so that
    // the sliders do not shift as they move; the sliders take the rest.
    const int valueWidth = std::ranges::max({fontMetrics().horizontalAdvance(tr("%1 mph").arg(32767)),
                                             fontMetrics().horizontalAdvance(tr("%1 rpm").arg(32767))});
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 0, 4, 0);
    grid->setVerticalSpacing(0);
    grid->setColumnStretch(0, 1);

    int row = 0;
    for (auto [slider, value, chosen, name, tip] :
         {std::tuple{&m_speedSlider, &m_speedValue, &m_chosenSpeed, "TestSpeed",
                     tr("Test speed: draws the speedometer needle here")},
          std::tuple{&m_revsSlider, &m_revsValue, &m_chosenRevs, "TestRevs",
                     tr("Test revs: draws the tachometer needle here")}}) {
        *slider = new QSlider(Qt::Horizontal, this);
        (*slider)->setObjectName(QLatin1String(name));
        // The boxes above set the panel's width, not a slider's wish.
        (*slider)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        (*slider)->setToolTip(tip);
        (*slider)->setAccessibleName(tip.section(QLatin1Char(':'), 0, 0));
        *value = new QLabel(this);
        (*value)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        (*value)->setMinimumWidth(valueWidth);
        (*value)->setObjectName(QLatin1String(name) + QLatin1String("Value"));
        (*value)->setToolTip(tip);
        connect(*slider, &QSlider::valueChanged, this, [this, chosen](int chosenValue) {
            *chosen = chosenValue;
            sliderChanged();
        });
        connect(*slider, &QSlider::sliderPressed, this, &NeedleTest::sliderChanged);
        connect(*slider, &QSlider::sliderReleased, this, &NeedleTest::sliderChanged);
        grid->addWidget(*slider, row, 0);
        grid->addWidget(*value, row, 1);
        ++row;
    }
}

bool NeedleTest::isAtRest() const
{
    return m_speedSlider->value() == 0 && m_revsSlider->value() == 0 && !m_speedSlider->isSliderDown()
        && !m_revsSlider->isSliderDown();
}

void NeedleTest::followRecord()
{
    {
        const QSignalBlocker blockSpeed(m_speedSlider);
        const QSignalBlocker blockRevs(m_revsSlider);
        const DialRecord &record = m_document.tables().dialRecord;
        setScaleTop(m_speedSlider, record.field(DialField::MphMax));
        setScaleTop(m_revsSlider, record.field(DialField::RpmMax));
        m_speedSlider->setValue(m_chosenSpeed);
        m_revsSlider->setValue(m_chosenRevs);
    }
    sliderChanged();
}

void NeedleTest::rest()
{
    {
        const QSignalBlocker blockSpeed(m_speedSlider);
        const QSignalBlocker blockRevs(m_revsSlider);
        m_speedSlider->setValue(0);
        m_revsSlider->setValue(0);
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
        Q_EMIT needlesChanged(m_speedSlider->value(), m_revsSlider->value());
    } else if (m_testShown) {
        m_testShown = false;
        Q_EMIT returnedToRest();
    }
}

void NeedleTest::showValues()
{
    m_speedValue->setText(tr("%1 mph").arg(m_speedSlider->value()));
    m_revsValue->setText(tr("%1 rpm").arg(m_revsSlider->value()));
}

} // namespace tolvane
