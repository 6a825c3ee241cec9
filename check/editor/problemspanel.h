#pragma once

#include "check/filecheck.h"

#include <QTreeWidget>

namespace tolvane {

class DashboardDocument;

/// The Problems panel: the open dashboard's findings, as `tolvane-cli check`
/// lists them. The file findings are taken anew when the document's files
/// change; those of the tables after every edit, so that a move or an undo
/// shows at once. Double-clicking a finding asks for its object or dial field.
class ProblemsPanel : public QTreeWidget
{
    Q_OBJECT

public:
    explicit ProblemsPanel(DashboardDocument &document, QWidget *parent = nullptr);

    /// The findings shown, in their order.
    const Findings &findings() const { return m_findings; }

public Q_SLOTS:
    /// Checks the dashboard's files again, as after a change on disk.
    void checkFilesAgain();

Q_SIGNALS:
    /// A finding of object @p index was double-clicked.
    void objectChosen(int index);
    /// A finding of dial field @p field was double-clicked.
    void dialFieldChosen(DialField field);
    /// The findings changed; @p summary counts them ("1 error, 2 warnings").
    void summaryChanged(const QString &summary);

private:
    void checkTablesAgain();
    void choose(QTreeWidgetItem *item);

    DashboardDocument &m_document;
    Findings m_fileFindings;
    FilesRead m_filesRead;
    Findings m_findings;
};

} // namespace tolvane
