#pragma once

#include "store/records.h"
#include "window/picturesurface.h"

#include <QPointF>
#include <QWidget>

class QLabel;
class QSlider;

namespace tolvane {

class Form1;

/// The clockwise angle on screen (y down), in degrees in [0, 360), from the
/// direction of @p minEnd to that of @p maxEnd around @p pivot. Ends that
/// point the same way sweep 0: the needle then only changes its length. An
/// end on the pivot has no direction and takes the other end's.
double clockwiseSweep(QPointF pivot, QPointF minEnd, QPointF maxEnd);

/// Where a needle's end lies at @p fraction of its scale: turned clockwise
/// from @p minEnd by that fraction of the sweep, its length between the two
/// ends' lengths in the same proportion. Fractions are clamped to 0 ... 1;
/// 0 gives @p minEnd and 1 gives @p maxEnd exactly.
QPointF needleEndAt(QPointF pivot, QPointF minEnd, QPointF maxEnd, double fraction);

/// @p value as a fraction of a scale whose top is @p maximum, clamped to
/// 0 ... 1; 0 for a scale without a positive top.
double scaleFraction(int value, int maximum);

/// Draws the needle test on @p BackG as Draw Dials draws its preview: after
/// Cls, the speedometer needle at @p speed of MphMax and the tachometer needle
/// at @p revs of RpmMax, in the needle colour and width, then a red dot on
/// each pivot. DrawWidth is 1 afterwards.
void drawNeedleTest(PictureSurface &BackG, const DialRecord &record, int speed, int revs);

/// Two sliders under the Dials panel that draw the needles at a test speed
/// and test revs, so that a modder sees whether 60 points at the 60 mark.
///
/// The test is at rest while both sliders stand at 0 and neither is held by
/// the pointer; the dashboard then shows the normal Draw Dials preview, and
/// every redraw of the dials (a box, "Draw Dials", the panel switch, a colour
/// pick) draws that preview unchanged. Otherwise the test needles replace it,
/// and an edited box redraws them with its new number. Returning to rest
/// draws the normal preview again.
///
/// "Draw Dials", "Set Colour" and leaving the Dials panel return the sliders
/// to rest; while a colour pick is armed they are disabled, so the pick sees
/// the bare picture. A scale whose top is 0 or negative disables its slider.
class NeedleTest : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DesignedHeight = 37;

    /// The test of @p form's dials, placed in its side bar under the Dials
    /// panel and shown with it.
    explicit NeedleTest(Form1 &form);

    bool isAtRest() const;

    /// Takes the sliders' ranges from MphMax and RpmMax; a value beyond a
    /// new top is lowered to it, and goes back up with the top until it is
    /// the value last chosen. Redraws the test needles unless at rest.
    void followRecord();
    /// Puts both sliders back to 0 without drawing anything.
    void rest();

    QSlider *speedSlider = nullptr;
    QSlider *revsSlider = nullptr;
    QLabel *speedValue = nullptr;
    QLabel *revsValue = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void sliderChanged();
    void showValues();
    void followPickState();

    Form1 &m_form;
    // The values the user chose; a lower scale top holds a slider below its
    // value only until the top is raised again, as while a top is retyped.
    int m_chosenSpeed = 0;
    int m_chosenRevs = 0;
    // Whether the dashboard shows the test needles rather than the preview.
    bool m_testShown = false;
};

} // namespace tolvane
