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

    /// The selected row; -1 for none.
    int selectedObject() const;

public Q_SLOTS:
    /// Selects row @p index as a click on it does, also when it is selected
    /// already.
    void selectObject(int index);

Q_SIGNALS:
    /// Row @p index was selected; -1 when the list was emptied.
    void objectSelected(int index);
    /// The selected object's name, size, centre and position; empty for
    /// none or the background.
    void objectStatusChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillList();
    void followObjectMove(int index);
    void showObjectStatus();

    DashboardDocument &m_document;
    QListWidget *m_list = nullptr;
};

} // namespace tolvane
