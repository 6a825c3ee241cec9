#pragma once

#include <QGroupBox>

class QListWidget;

namespace tolvane {

class DashboardDocument;

/// The Objects panel: the list of the container's objects, row i for table
/// entry i, and the readout of the selected object's size and place. The
/// list shows the document's selection and chooses it: a click on a row
/// selects that object in the document, also when it is the selected one.
class ObjectsPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit ObjectsPanel(DashboardDocument &document, QWidget *parent = nullptr);

Q_SIGNALS:
    /// The selected object's name, size, centre and position; empty for
    /// none or the background.
    void objectStatusChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillList();
    void showSelection(int index);
    void followObjectMove(int index);
    void showObjectStatus();

    DashboardDocument &m_document;
    QListWidget *m_list = nullptr;
};

} // namespace tolvane
