// The arrow keys on the dashboard nudge the selected object, by 10 pixels
// with Shift; the nudges of one run on one object are one undo step.

#include "canvas/editor/dashboardview.h"

#include "document/dashboarddocument.h"
#include "pictures/editor/picturebox.h"

#include <QKeyEvent>

namespace tolvane {

bool DashboardView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_picture) {
        if (event->type() == QEvent::KeyPress)
            return nudge(*static_cast<QKeyEvent *>(event));
        if (event->type() == QEvent::FocusOut)
            ++m_nudgeRun;
    }
    return QWidget::eventFilter(watched, event);
}

bool DashboardView::nudge(const QKeyEvent &key)
{
    QPoint step;
    switch (key.key()) {
    case Qt::Key_Left: step = QPoint(-1, 0); break;
    case Qt::Key_Right: step = QPoint(1, 0); break;
    case Qt::Key_Up: step = QPoint(0, -1); break;
    case Qt::Key_Down: step = QPoint(0, 1); break;
    default: return false;
    }
    // Arrows with Ctrl, Alt or Meta are left to whatever shortcut they are.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key.modifiers() & Qt::ShiftModifier)
        step *= 10;
    // An object that is not shown is not placed blind; the keys say why.
    if (!m_dialsMode && !m_notShownReason.isEmpty()) {
        Q_EMIT statusMessage(
            tr("Object %1 is not shown, so it is not moved: %2").arg(selected()).arg(m_notShownReason));
        return true;
    }
    if (!canMoveSelection())
        return false;
    const ObjectHeader &header = m_document.tables().objects.headers[size_t(selected())];
    if (!m_document.moveObject(selected(), QPoint(header.XPos, header.YPos) + step, m_nudgeRun))
        reportRefusedPosition();
    return true;
}

} // namespace tolvane
