#pragma once

// The main window's parts as a user finds them on screen, for the editor's
// tests: the document, the views, their controls and the menu actions.

#include "canvas/editor/dashboardview.h"
#include "canvas/editor/viewport.h"
#include "dials/editor/dialpanel.h"
#include "dials/editor/needletest.h"
#include "pictures/editor/picturebox.h"
#include "window/editor/mainwindow.h"
#include "window/editor/statusline.h"

#include <QAction>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

namespace testing_support {

/// A window whose failure messages are collected rather than shown.
class EditorWindow : public tolvane::MainWindow
{
public:
    QStringList messages;

    EditorWindow()
    {
        setMessageHandler([this](const QString &, const QString &message) { messages.append(message); });
    }

    const tolvane::ShpiTables &tables() { return document().tables(); }
    QUndoStack &undoStack() { return document().undoStack(); }

    tolvane::DashboardView *view() { return part<tolvane::DashboardView>("dashboardView"); }
    tolvane::DialPanel *dialPanel() { return part<tolvane::DialPanel>("dialPanel"); }
    QWidget *objectsPanel() { return part<QWidget>("objectsPanel"); }
    QWidget *sideBar() { return part<QWidget>("sideBar"); }
    /// The widget the dashboard is drawn in and the mouse acts on.
    tolvane::PictureBox *dashboard() { return part<tolvane::PictureBox>("dashboard"); }
    QListWidget *objectList() { return part<QListWidget>("objectList"); }
    QLabel *label(const char *name) { return part<QLabel>(name); }
    QAction *action(const char *name) { return part<QAction>(name); }
    QMenu *menu(const char *name) { return part<QMenu>(name); }
    QScrollBar *scrollBar(Qt::Orientation orientation)
    {
        for (QScrollBar *bar : view()->findChildren<QScrollBar *>())
            if (bar->orientation() == orientation)
                return bar;
        return nullptr;
    }

    /// Dial box @p index, from 0 (DialWidth) to 14 (TachoMinY).
    QLineEdit *dialBox(int index) { return dialBoxOf(dialPanel(), index); }
    QPushButton *button(const char *name) { return part<QPushButton>(name); }
    QSlider *slider(const char *name) { return part<QSlider>(name); }
    tolvane::NeedleTest *needleTest() { return findChild<tolvane::NeedleTest *>(); }

    /// Whether "Set Colour" has armed a pick, as its caption "Cancel" shows.
    bool colourPickArmed() { return button("setColour")->text() == QLatin1String("Cancel"); }

    /// What the status line says.
    QString statusMessage() { return part<tolvane::StatusLine>("statusLine")->message(); }

    QImage image() { return view()->image(); }
    QRectF outline() { return view()->outline(); }
    bool outlineVisible() { return view()->isOutlineVisible(); }

    void select(int row) { objectList()->setCurrentRow(row); }

    static QLineEdit *dialBoxOf(QWidget *panel, int index)
    {
        const tolvane::DialField field = tolvane::DialSetFields[size_t(index)];
        for (const auto &info : tolvane::DialFields)
            if (info.field == field)
                return panel->findChild<QLineEdit *>(QLatin1String(info.name));
        return nullptr;
    }

private:
    template<typename T>
    T *part(const char *name)
    {
        T *found = findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("The window has no %s", name);
        return found;
    }
};

/// Sends a mouse event at @p at, which may lie between pixels, to @p widget.
inline void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &at, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace testing_support
