#include "canvas/editor/objectspanel.h"

#include "store/dashboarddocument.h"
#include "store/listing.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace tolvane {

ObjectsPanel::ObjectsPanel(DashboardDocument &document, QWidget *parent)
    : QGroupBox(tr("Objects"), parent)
    , m_document(document)
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("objectList"));
    m_list->setGeometry(8, 16, 105, 147);

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        Q_EMIT objectSelected(row);
        showObjectStatus();
    });
    connect(&document, &DashboardDocument::loaded, this, &ObjectsPanel::fillList);
    connect(&document, &DashboardDocument::objectMoved, this, &ObjectsPanel::followObjectMove);
}

void ObjectsPanel::fillList()
{
    {
        // Rebuilding the list is not a selection.
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        for (const DirectoryEntry &entry : m_document.tables().objects.directory)
            m_list->addItem(nameText(entry.Name));
    }
    showObjectStatus();
}

void ObjectsPanel::followObjectMove(int index)
{
    // Undo and redo bring the object into view; a release and a nudge find
    // it selected already.
    if (m_list->currentRow() != index)
        m_list->setCurrentRow(index);
    showObjectStatus();
}

void ObjectsPanel::showObjectStatus()
{
    const int i = m_list->currentRow();
    const ObjectTable &objects = m_document.tables().objects;
    // The first entry is the background, which has no place to show.
    if (i <= 0 || i >= objects.count()) {
        Q_EMIT objectStatusChanged(QString());
        return;
    }
    const ObjectHeader &header = objects.headers[size_t(i)];
    Q_EMIT objectStatusChanged(tr("%1  %2 x %3  centre %4, %5  at %6, %7")
                                   .arg(m_list->item(i)->text(), QString::number(header.Width),
                                        QString::number(header.Height), QString::number(header.XCentre),
                                        QString::number(header.YCentre), QString::number(header.XPos),
                                        QString::number(header.YPos)));
}

} // namespace tolvane
