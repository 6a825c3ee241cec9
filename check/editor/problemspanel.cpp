#include "check/editor/problemspanel.h"

#include "check/findingtext.h"
#include "document/dashboarddocument.h"

#include <QHeaderView>
#include <QStyle>

namespace tolvane {

namespace {

enum Column { Severity, Subject, File, Problem, ColumnCount };
constexpr int FindingRole = Qt::UserRole;

} // namespace

ProblemsPanel::ProblemsPanel(DashboardDocument &document, QWidget *parent)
    : QTreeWidget(parent), m_document(document)
{
    setColumnCount(ColumnCount);
    setHeaderLabels({tr("Severity"), tr("Object"), tr("File"), tr("Problem")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    header()->setStretchLastSection(true);

    connect(&document, &DashboardDocument::loaded, this, &ProblemsPanel::checkFilesAgain);
    connect(&document, &DashboardDocument::backgroundChanged, this, &ProblemsPanel::checkFilesAgain);
    connect(&document, &DashboardDocument::containerWritten, this, &ProblemsPanel::checkFilesAgain);
    connect(&document, &DashboardDocument::objectMoved, this, &ProblemsPanel::checkTablesAgain);
    connect(&document, &DashboardDocument::dialChanged, this, &ProblemsPanel::checkTablesAgain);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &ProblemsPanel::choose);
}

void ProblemsPanel::checkFilesAgain()
{
    if (m_document.directory().isEmpty())
        return;
    m_fileFindings = checkFiles(m_document.directory(), &m_filesRead);
    checkTablesAgain();
}

void ProblemsPanel::checkTablesAgain()
{
    m_findings = withTableFindings(m_fileFindings, m_filesRead, m_document.tables());
    clear();
    const QIcon error = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int i = 0; i < int(m_findings.size()); ++i) {
        const Finding &f = m_findings[size_t(i)];
        const QString problem = f.what + QStringLiteral("; ") + f.todo;
        auto *item = new QTreeWidgetItem(this, {severityText(f.severity), findingSubject(f), f.file, problem});
        // The column is narrower than most problems: the pointer reads them whole.
        item->setToolTip(Problem, problem);
        item->setIcon(Severity, f.severity == Finding::Severity::Error ? error : warning);
        item->setData(Severity, FindingRole, i);
    }
    Q_EMIT summaryChanged(findingsSummary(m_findings));
}

void ProblemsPanel::choose(QTreeWidgetItem *item)
{
    const Finding &f = m_findings[size_t(item->data(Severity, FindingRole).toInt())];
    if (f.object >= 0)
        Q_EMIT objectChosen(f.object);
    else if (f.field)
        Q_EMIT dialFieldChosen(*f.field);
}

} // namespace tolvane
