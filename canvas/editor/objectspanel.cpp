#include "canvas/editor/objectspanel.h"

#include "document/dashboarddocument.h"
#include "store/listing.h"

#include <QListWidget>
#include <QMouseEvent>
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
    m_list->viewport()->installEventFilter(this);
    connect(&document, &DashboardDocument::loaded, this, &ObjectsPanel::fillList);
    connect(&document, &DashboardDocument::objectMoved, this, &ObjectsPanel::followObjectMove);
}

int ObjectsPanel::selectedObject() const
{
    return m_list->currentRow();
}

void ObjectsPanel::selectObject(int index)
{
    if (index == m_list->currentRow() && index >= 0)
        Q_EMIT objectSelected(index);
    else
        m_list->setCurrentRow(index);
}

bool ObjectsPanel::eventFilter(QObject *watched, QEvent *event)
{
    // A press on the selected row changes no row, yet it selects the object
    // again: its bitmaps are read anew and it is shown, also after the Dials
    // panel wiped it. A press on another row is the row change itself.
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        const int row = m_list->indexAt(press->position().toPoint()).row();
        if (press->button() == Qt::LeftButton && row >= 0 && row == m_list->currentRow())
            Q_EMIT objectSelected(row);
    }
    return QGroupBox::eventFilter(watched, event);
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
