// The edit history of the window: undo and redo, the modified mark in the
// title, and the question before unsaved edits would be lost.

#include "window/form1.h"

#include "dials/dialpanel.h"
#include "window/picturebox.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>

#include <algorithm>

namespace tolvane {

void Form1::createEditHistory()
{
    askSaveChanges = [this] {
        return QMessageBox::question(
            this, tr("Unsaved Changes"),
            tr("The dashboard %1 has changes that are not saved. Save them before going on?")
                .arg(QDir::toNativeSeparators(ShpiDirectory)),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    };

    mnuUndo = undoStack.createUndoAction(this, tr("&Undo"));
    mnuRedo = undoStack.createRedoAction(this, tr("&Redo"));
    mnuUndo->setShortcut(QKeySequence::Undo);
    mnuRedo->setShortcut(QKeySequence::Redo);
    QAction *first = mnuEdit->actions().value(0);
    mnuEdit->insertAction(first, mnuUndo);
    mnuEdit->insertAction(first, mnuRedo);
    mnuEdit->insertSeparator(first);

    // Permanent, so that passing messages do not hide it; other widgets may
    // stand beside it.
    ObjectStatus = new QLabel(this);
    ObjectStatus->setObjectName(QStringLiteral("ObjectStatus"));
    ObjectStatus->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(ObjectStatus);

    // The arrow keys reach the dashboard once a click has given it focus.
    BackG->setFocusPolicy(Qt::StrongFocus);
    BackG->installEventFilter(this);
    for (QLineEdit *box : Frame2->DialSet)
        box->installEventFilter(this);

    connect(&undoStack, &QUndoStack::cleanChanged, this, &Form1::updateWindowTitle);
    connect(Frame2, &DialPanel::dialEdited, this, &Form1::DialSet_Edited);
    connect(ObjList, &QListWidget::currentRowChanged, this, [this] {
        ++m_editRun;
        showObjectStatus();
    });
}

bool Form1::filterEditEvent(QObject *watched, QEvent *event)
{
    if (watched == BackG && event->type() == QEvent::KeyPress)
        return BackG_KeyDown(*static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::FocusOut) {
        const auto &boxes = Frame2->DialSet;
        if (watched == BackG || std::find(boxes.begin(), boxes.end(), watched) != boxes.end())
            ++m_editRun;
    }
    return false;
}

void Form1::updateWindowTitle()
{
    if (ShpiDirectory.isEmpty()) {
        setWindowTitle(QStringLiteral("Tolvane"));
        return;
    }
    // "[*]" is the place of the modified mark; one in the path itself is
    // doubled, which the title shows as it stands.
    QString directory = QDir::toNativeSeparators(ShpiDirectory);
    directory.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(QStringLiteral("Tolvane - %1[*]").arg(directory));
    setWindowModified(!undoStack.isClean());
}

bool Form1::maybeSaveChanges()
{
    // Before a load there is no file to save to.
    if (undoStack.isClean() || ShpiDirectory.isEmpty())
        return true;
    switch (askSaveChanges()) {
    case QMessageBox::Save:
        return saveDashboard();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (maybeSaveChanges())
        event->accept();
    else
        event->ignore();
}

} // namespace tolvane
