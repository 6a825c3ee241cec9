// The dashboard follows its files as another program changes them: a bitmap
// editor saving the background or the selected object's artwork or mask.

#include "canvas/editor/dashboardview.h"

#include "canvas/drawobject.h"
#include "document/dashboarddocument.h"

namespace tolvane {

void DashboardView::reloadSelectedObject()
{
    const int index = selected();
    if (index <= 0)
        return;
    // Said once, without a dialog: an editor saving again and again must not
    // raise one box per save.
    const Status status = prepareObjectBuffers(m_document.directory(),
                                               m_document.tables().objects.directory[size_t(index)], m_objectImage,
                                               m_objectMask);
    if (!status) {
        Q_EMIT statusWarning(status.message(), SelectedFilesCause);
        return;
    }
    Q_EMIT statusWarningCleared(SelectedFilesCause);
    m_notShownReason.clear();
    // The Dials panel shows no object; the next selection draws the new one.
    if (m_dialsMode)
        return;
    m_surface.clear();
    showSelectedObject();
}

void DashboardView::showNewBackground()
{
    m_surface.setPicture(m_document.background());
    // A pick is made from the bare picture.
    if (m_pickArmed)
        return;
    if (m_dialsMode)
        followDialChange();
    else if (m_outlineVisible)
        showSelectedObject();
}

} // namespace tolvane
