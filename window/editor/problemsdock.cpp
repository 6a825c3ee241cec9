// The Problems panel in a dock under the dashboard, and its count in the status bar.

#include "window/editor/mainwindow.h"

#include "canvas/editor/objectspanel.h"
#include "check/editor/problemspanel.h"
#include "dials/editor/dialpanel.h"
#include "document/dashboardwatcher.h"

#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

namespace tolvane {

void MainWindow::createProblemsDock(QMenu *viewMenu)
{
    auto *panel = new ProblemsPanel(m_document, this);
    panel->setObjectName(QStringLiteral("problemsPanel"));
    m_problemsDock = new QDockWidget(tr("Problems"), this);
    m_problemsDock->setObjectName(QStringLiteral("problemsDock"));
    m_problemsDock->setWidget(panel);
    addDockWidget(Qt::BottomDockWidgetArea, m_problemsDock);
    QAction *toggle = m_problemsDock->toggleViewAction();
    toggle->setObjectName(QStringLiteral("showProblems"));
    viewMenu->addAction(toggle);

    m_problemCount = new QLabel(this);
    m_problemCount->setObjectName(QStringLiteral("problemCount"));
    statusBar()->addPermanentWidget(m_problemCount);
    connect(panel, &ProblemsPanel::summaryChanged, m_problemCount, &QLabel::setText);
    connect(panel, &ProblemsPanel::objectChosen, this, [this](int index) {
        showPanel(Panel::Objects);
        m_document.selectObject(index);
    });
    connect(panel, &ProblemsPanel::dialFieldChosen, this, [this](DialField field) {
        showPanel(Panel::Dials);
        m_dialPanel->focusField(field);
    });
    // A mask or an artwork saved by another program changes the file findings.
    connect(m_watcher, &DashboardWatcher::selectedObjectFilesChanged, panel, &ProblemsPanel::checkFilesAgain);
    connect(m_watcher, &DashboardWatcher::unreadable, panel, &ProblemsPanel::checkFilesAgain);
}

} // namespace tolvane
