#include "canvas/editor/objectspanel.h"

#include "document/dashboarddocument.h"
#include "store/listing.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tolvane {

ObjectsPanel::ObjectsPanel(DashboardDocument &document, QWidget *parent)
    : QGroupBox(tr("Objects"), parent)
    , m_document(document)
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("objectList"));
    // The side bar's width comes from the widest panel; the names are short.
    m_list->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);

    // A row chosen by the user, by mouse or keys; a row the document chose is
    // set with the list's signals blocked.
    connect(m_list, &QListWidget::currentRowChanged, &document, &DashboardDocument::selectObject);
    m_list->viewport()->installEventFilter(this);
    connect(&document, &DashboardDocument::loaded, this, &ObjectsPanel::fillList);
    connect(&document, &DashboardDocument::selectionChanged, this, &ObjectsPanel::showSelection);
    connect(&document, &DashboardDocument::objectMoved, this, &ObjectsPanel::followObjectMove);
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
            m_document.selectObject(row);
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

void ObjectsPanel::showSelection(int index)
{
    if (m_list->currentRow() != index) {
        const QSignalBlocker blocker(m_list);
        m_list->setCurrentRow(index);
    }
    showObjectStatus();
}

void ObjectsPanel::followObjectMove(int index)
{
    // Another object moved is selected next, which shows its place.
    if (index == m_document.selectedObject())
        showObjectStatus();
}

void ObjectsPanel::showObjectStatus()
{
    const int selected = m_document.selectedObject();
    // The first entry is the background, which has no place to show.
    if (selected <= 0) {
        Q_EMIT objectStatusChanged(QString());
        return;
    }
    const ObjectHeader &header = m_document.tables().objects.headers[size_t(selected)];
    Q_EMIT objectStatusChanged(tr("%1  %2 x %3  centre %4, %5  at %6, %7")
                                   .arg(m_list->item(selected)->text(), QString::number(header.Width),
                                        QString::number(header.Height), QString::number(header.XCentre),
                                        QString::number(header.YCentre), QString::number(header.XPos),
                                        QString::number(header.YPos)));
}

} // namespace tolvane
