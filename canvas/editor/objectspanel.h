#pragma once

#include <QGroupBox>

class QListWidget;

namespace tolvane {

class DashboardDocument;

/// The Objects panel: the list of the container's objects, row i for table
/// entry i, and the readout of the selected object's size and place.
class ObjectsPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit ObjectsPanel(DashboardDocument &document, QWidget *parent = nullptr);

Q_SIGNALS:
    /// Row @p index was selected; -1 when the list was emptied.
    void objectSelected(int index);
    /// The selected object's name, size, centre and position; empty for
    /// none or the background.
    void objectStatusChanged(const QString &text);

private:
    void fillList();
    void followObjectMove(int index);
    void showObjectStatus();

    DashboardDocument &m_document;
    QListWidget *m_list = nullptr;
};

} // namespace tolvane
