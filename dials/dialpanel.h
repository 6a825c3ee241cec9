#pragma once

#include "store/records.h"
#include "window/picturesurface.h"

#include <QGroupBox>

#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvane {

/// The Dials panel: the fifteen boxes that edit the DialRecord's needle
/// numbers, the "Draw Dials" button, and the needle colour swatch with its
/// "Set Colour" button.
///
/// Every change of a box that holds a storable number is written into the
/// record at once and announced by dialsChanged(), so the window can redraw
/// the dials on each keystroke. A box whose text cannot be stored (empty, not
/// a number, outside -32768 ... 32767) leaves its field as it was and shows
/// its text in red until it holds a valid number again.
class DialPanel : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr int BoxCount = 15;
    static constexpr int DesignedWidth = 121;
    static constexpr int DesignedHeight = 380;

    /// A panel editing @p record, which must outlive it.
    explicit DialPanel(DialRecord &record, QWidget *parent = nullptr);

    /// Shows each field of @p record in its box, in box order. Every box whose
    /// text changes goes through DialSet_Change(), which stores the value in
    /// the panel's record and emits dialsChanged().
    void fillFrom(const DialRecord &record);

    /// The needle colour shown in the swatch.
    OleColor swatch() const;
    void setSwatch(OleColor colour);

    /// Captions "Set Colour" with "Cancel" while a colour pick is armed.
    void setPickArmedCaption(bool armed);

    /// Whether box @p Index shows its text as one that cannot be stored.
    bool isMarkedInvalid(int Index) const;

    /// Decides on one character typed into box @p Index before the box takes
    /// it: digits and Backspace stay, every other character, control
    /// characters included, is discarded by setting @p KeyAscii to 0.
    void DialSet_KeyPress(int Index, int &KeyAscii);
    /// Normalises the text of box @p Index to the floor of its number and
    /// stores that in the box's field.
    void DialSet_Change(int Index);

    QPushButton *Command3 = nullptr;
    QLabel *Label15 = nullptr;
    QFrame *DialUseCol = nullptr;
    QPushButton *Command4 = nullptr;
    std::array<QLineEdit *, BoxCount> DialSet{};

Q_SIGNALS:
    /// A box's value was stored in the record.
    void dialsChanged();
    /// The text of box @p Index changed its stored value from @p before to
    /// @p after; filling the boxes from a record is no edit and says nothing.
    void dialEdited(int Index, int16_t before, int16_t after);
    /// "Draw Dials" was clicked.
    void drawDialsClicked();
    /// "Set Colour" (or "Cancel") was clicked.
    void setColourClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    int boxIndex(const QObject *object) const;
    void markInvalid(int Index, bool invalid);

    DialRecord &m_record;
    // Set while the change handling writes a box's normalised text back.
    bool m_writingBack = false;
    // Set while fillFrom() shows a record.
    bool m_filling = false;
};

} // namespace tolvane
