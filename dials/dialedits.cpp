// The edits of the Dials panel as undo steps: recording a typed value, and
// replaying a value or a colour pick through the paths the edits take.

#include "dials/dialpanel.h"
#include "dials/drawdials.h"
#include "window/form1.h"
#include "window/undocommands.h"

#include <QAction>
#include <QLineEdit>
#include <QScopedValueRollback>

namespace tolvane {

void Form1::DialSet_Edited(int Index, int16_t before, int16_t after)
{
    if (!m_replayingEdit)
        undoStack.push(new ChangeDialField(*this, Index, before, after, m_editRun));
}

void Form1::setDialField(int box, int16_t value)
{
    if (!mnuDials->isChecked())
        mnuDials_Click();
    const QScopedValueRollback replaying(m_replayingEdit, true);
    QLineEdit *edit = Frame2->DialSet.at(size_t(box));
    const QString text = QString::number(value);
    if (edit->text() != text) {
        // The box's change handling stores the value and redraws, as typing does.
        edit->setText(text);
        return;
    }
    tables.dialRecord.setField(DialSetFields.at(size_t(box)), value);
    Command3_Click();
}

void Form1::setDialColourPoint(int16_t x, int16_t y)
{
    if (!mnuDials->isChecked())
        mnuDials_Click();
    tables.dialRecord.setField(DialField::ColourX, x);
    tables.dialRecord.setField(DialField::ColourY, y);
    // The swatch takes the bare picture's colour, as a pick after arming does.
    BackGSurface.Cls();
    Frame2->setSwatch(dialColour(BackGSurface, tables.dialRecord));
    Command3_Click();
}

} // namespace tolvane
