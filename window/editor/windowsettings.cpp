// The window's size, place, panel, zoom and "Show All Objects", kept in the
// user's settings from one run to the next.

#include "window/editor/mainwindow.h"

#include "canvas/editor/dashboardview.h"

#include <QAction>
#include <QDockWidget>
#include <QScreen>
#include <QSettings>

#include <algorithm>

namespace tolvane {

namespace {

const QString GeometryKey = QStringLiteral("window/geometry");
const QString FrameKey = QStringLiteral("window/frame");
const QString PanelKey = QStringLiteral("window/panel");
const QString ZoomKey = QStringLiteral("window/zoom");
const QString ShowAllKey = QStringLiteral("view/showAllObjects");
const QString ProblemsKey = QStringLiteral("view/problems");
const QString DialsPanel = QStringLiteral("dials");

} // namespace

void MainWindow::restoreSettings()
{
    const QSettings settings;
    // A screen gone since lets restoreGeometry() put the window on another.
    m_fitToDashboard = !restoreGeometry(settings.value(GeometryKey).toByteArray());
    // Qt keeps a restored window on the screen but not within its height: a
    // window saved on a larger screen, or at a smaller scale, would hide its
    // status line below the screen's edge. Its frame is not known before it
    // is shown, so the one it had when it was saved stands in.
    if (!m_fitToDashboard)
        placeOnScreen(size(), settings.value(FrameKey).toSize().expandedTo(QSize(0, 0)));
    if (settings.value(PanelKey).toString() == DialsPanel)
        showPanel(Panel::Dials);
    m_dashboard->setZoom(settings.value(ZoomKey, DashboardView::MinZoom).toInt(), m_dashboard->viewCentre());
    m_showAllAction->setChecked(settings.value(ShowAllKey, false).toBool());
    m_problemsDock->setVisible(settings.value(ProblemsKey, true).toBool());
}

void MainWindow::saveSettings() const
{
    QSettings settings;
    settings.setValue(GeometryKey, saveGeometry());
    settings.setValue(FrameKey, frameGeometry().size() - geometry().size());
    settings.setValue(PanelKey, m_dialsAction->isChecked() ? DialsPanel : QStringLiteral("objects"));
    settings.setValue(ZoomKey, m_dashboard->zoom());
    settings.setValue(ShowAllKey, m_showAllAction->isChecked());
    settings.setValue(ProblemsKey, !m_problemsDock->isHidden());
}

void MainWindow::fitToDashboard()
{
    const QSize interior = centralWidget()->size();
    const QSize whole = m_dashboard->wholeDashboardSize();
    const QSize wanted(std::max(interior.width(), m_sideBar->width() + whole.width()),
                       std::max(interior.height(), whole.height()));
    placeOnScreen(size() + wanted - interior, frameGeometry().size() - geometry().size());
}

void MainWindow::placeOnScreen(QSize wanted, QSize frame)
{
    if (isMaximized() || isFullScreen() || !screen())
        return;
    const QRect available = screen()->availableGeometry();
    const QSize size = wanted.boundedTo(available.size() - frame);
    resize(size);
    // Grown past the screen's edge, the window moves back onto it.
    const QRect outer(frameGeometry().topLeft(), size + frame);
    move(std::clamp(outer.left(), available.left(), available.right() + 1 - outer.width()),
         std::clamp(outer.top(), available.top(), available.bottom() + 1 - outer.height()));
}

} // namespace tolvane
