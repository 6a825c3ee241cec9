#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace tolvane {

class DashboardDocument;

/// Two sliders under the Dials panel that draw the needles at a test speed
/// and test revs, so that a modder sees whether 60 points at the 60 mark.
///
/// The test is at rest while both sliders stand at 0 and neither is held by
/// the pointer; the dashboard then shows the normal Draw Dials preview.
/// Otherwise the test needles replace it, and an edited box redraws them with
/// its new number. Returning to rest asks for the normal preview again.
///
/// A scale whose top is 0 or negative disables its slider.
class NeedleTest : public QWidget
{
    Q_OBJECT

public:
    /// Sliders that test the dials of @p document.
    explicit NeedleTest(const DashboardDocument &document, QWidget *parent = nullptr);

    bool isAtRest() const;

    /// Takes the sliders' ranges from MphMax and RpmMax; a value beyond a
    /// new top is lowered to it, and goes back up with the top until it is
    /// the value last chosen. Redraws the test needles unless at rest.
    void followRecord();
    /// Puts both sliders back to 0 without drawing anything.
    void rest();

Q_SIGNALS:
    /// The needles are to be drawn at @p speed and @p revs.
    void needlesChanged(int speed, int revs);
    /// The test has come back to rest: the preview is to be drawn again.
    void returnedToRest();

private:
    void createControls();
    void sliderChanged();
    void showValues();

    const DashboardDocument &m_document;
    QSlider *m_speedSlider = nullptr;
    QSlider *m_revsSlider = nullptr;
    QLabel *m_speedValue = nullptr;
    QLabel *m_revsValue = nullptr;
    // The values the user chose; a lower scale top holds a slider below its
    // value only until the top is raised again, as while a top is retyped.
    int m_chosenSpeed = 0;
    int m_chosenRevs = 0;
    // Whether the dashboard shows the test needles rather than the preview.
    bool m_testShown = false;
};

} // namespace tolvane
