#pragma once

#include "pictures/picturesurface.h"
#include "store/records.h"

#include <QWidget>

#include <array>

class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tolvane {

class DashboardDocument;
class NeedleTest;

/// The Dials panel: the fifteen boxes that edit the DialRecord's needle
/// numbers, the "Draw Dials" button, the needle colour swatch with its
/// "Set Colour" button, and under them the needle test.
///
/// Every change of a box that holds a storable number goes to the document at
/// once, so the dials are redrawn on each keystroke; the typing in one box is
/// one undo step until focus leaves it. A box whose text cannot be stored
/// (empty, not a number, outside -32768 ... 32767) leaves its field as it was
/// and shows its text in red, saying in its tooltip and the status line which
/// value the field keeps, until it holds a valid number again or focus
/// leaves it, which puts the stored value back.
class DialPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int BoxCount = 15;

    explicit DialPanel(DashboardDocument &document, QWidget *parent = nullptr);

    /// The needle colour shown in the swatch.
    OleColor swatch() const;
    /// Whether box @p box shows its text as one that cannot be stored.
    bool isMarkedInvalid(int box) const;

public Q_SLOTS:
    void setSwatch(OleColor colour);
    /// A press on the dashboard has ended the armed colour pick.
    void finishColourPick();
    /// Puts the focus on the box of @p field, or on "Set Colour" for the
    /// colour point, which has no box.
    void focusField(DialField field);

Q_SIGNALS:
    /// "Draw Dials", a load that changed the boxes, or the needle test at rest.
    void drawDialsRequested();
    /// The needle test shows the needles at @p speed and @p revs.
    void needleTestChanged(int speed, int revs);
    /// "Set Colour": the next press on the dashboard picks the colour.
    void colourPickArmed();
    /// "Cancel" of an armed pick.
    void colourPickCancelled();
    /// A box keeps its last number, which @p cause names, until
    /// statusWarningCleared() tells that it holds a whole number again.
    void statusWarning(const QString &message, const QString &cause);
    void statusWarningCleared(const QString &cause);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void fillBoxes();
    void followDialChange(DialField field);
    void showSampledColour();
    /// Normalises the text of box @p box to the floor of its number and
    /// stores that in the box's field.
    void storeBox(int box);
    void toggleColourPick();
    void setPickArmed(bool armed);
    int boxIndex(const QObject *object) const;
    void markInvalid(int box, bool invalid);
    /// Shows @p value in box @p box without storing it again.
    bool showValue(int box, int16_t value);

    DashboardDocument &m_document;
    QGroupBox *m_frame = nullptr;
    QPushButton *m_drawDials = nullptr;
    QFrame *m_swatch = nullptr;
    QPushButton *m_setColour = nullptr;
    std::array<QLineEdit *, BoxCount> m_boxes{};
    NeedleTest *m_needleTest = nullptr;
    // Set while a box's text is written from the record rather than typed.
    bool m_writingBack = false;
    bool m_pickArmed = false;
    // Counts the times focus left a box: the typing of one run is one step.
    int m_typingRun = 0;
};

} // namespace tolvane
