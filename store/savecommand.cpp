// The save command: positions and dial data back into SHPI.DAT.

#include "window/form1.h"

#include "store/saveshpidata.h"
#include "window/liveprinter.h"
#include "window/picturebox.h"

namespace tolvane {

void Form1::mnuSave_Click()
{
    saveDashboard();
}

bool Form1::saveDashboard()
{
    LivePrinter printer(BackGSurface, *BackG);
    if (Status status = SaveShpiData(ShpiDirectory, printer, tables); !status) {
        reportFailure(QStringLiteral("Save SHPI Data"), status);
        return false;
    }
    undoStack.setClean();
    return true;
}

} // namespace tolvane
