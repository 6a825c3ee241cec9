// The whole dashboard as the game shows it: every object composited at its
// stored place in table order. In the Objects panel the picture under the
// drawing holds every object but the selected one, so that a drag step
// restores and draws only what the selected object covers, as it does with
// the object alone; its preview shows over the others.

#include "canvas/editor/dashboardview.h"

#include "document/dashboarddocument.h"
#include "pictures/editor/picturebox.h"

namespace tolvane {

namespace {

// Objects left out of the whole dashboard, until all can be read or the
// dashboard is no longer shown whole.
const QString LeftOutCause = QStringLiteral("objectsLeftOut");

} // namespace

void DashboardView::setShowAllObjects(bool on)
{
    if (on == m_showAll)
        return;
    m_showAll = on;
    m_allObjectsStale = true;
    if (!on) {
        m_allObjects = AllObjects();
        Q_EMIT statusWarningCleared(LeftOutCause);
    }
    if (!m_document.isOpen())
        return;
    if (m_dialsMode) {
        // An armed colour pick shows the bare picture until it ends.
        if (!m_pickArmed)
            followDialChange();
        return;
    }
    const std::optional<int> selection = shownSelection();
    showBase(selection);
    if (selection)
        showSelectedObject();
}

std::optional<int> DashboardView::shownSelection() const
{
    if (m_outlineVisible && selected() > 0)
        return selected();
    return std::nullopt;
}

void DashboardView::showBase(std::optional<int> except)
{
    if (!m_showAll || m_dialsMode) {
        if (m_baseHasObjects)
            m_surface.setPicture(m_document.background());
        else
            m_surface.clear();
        m_baseHasObjects = false;
        return;
    }
    PictureSurface base;
    base.setPicture(m_document.background());
    allObjects().drawOthers(base, m_document.tables().objects, except);
    m_surface.setPicture(base.image());
    m_baseHasObjects = true;
}

const AllObjects &DashboardView::allObjects()
{
    if (m_allObjectsStale) {
        m_allObjectsStale = false;
        const QString leftOut =
            AllObjects::describe(m_allObjects.prepare(m_document.directory(), m_document.tables().objects));
        if (leftOut.isEmpty())
            Q_EMIT statusWarningCleared(LeftOutCause);
        else
            Q_EMIT statusWarning(leftOut, LeftOutCause);
    }
    return m_allObjects;
}

void DashboardView::drawAllOverDials()
{
    if (m_showAll)
        allObjects().draw(m_surface, m_document.tables().objects);
}

} // namespace tolvane
