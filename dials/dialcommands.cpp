// The window's handlers of the Dials panel buttons.

#include "dials/dialpanel.h"
#include "dials/drawdials.h"
#include "window/form1.h"

namespace tolvane {

void Form1::Command3_Click()
{
    DrawDials(BackGSurface, tables.dialRecord);
}

void Form1::Command4_Click()
{
    if (!ColourPickArmed) {
        ColourPickArmed = true;
        Frame2->setPickArmedCaption(true);
        // The user picks from the bare background picture.
        BackGSurface.Cls();
        return;
    }

    ColourPickArmed = false;
    Frame2->setPickArmedCaption(false);
    // Undoes the preview of the colours under the pointer.
    Frame2->setSwatch(dialColour(BackGSurface, tables.dialRecord));
    Command3_Click();
}

} // namespace tolvane
