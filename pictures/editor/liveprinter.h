#pragma once

#include "store/printtarget.h"
#include "pictures/picturesurface.h"

#include <QElapsedTimer>
#include <QWidget>

namespace tolvane {

/// Writes the lines on a surface and brings them to the screen while a long
/// file operation still runs, which gives the event loop no chance to paint.
/// Repaints are spaced out so that printing dots stays cheap.
class LivePrinter : public PrintTarget
{
public:
    LivePrinter(PictureSurface &surface, QWidget &view) : m_surface(surface), m_view(view) { m_sinceRepaint.start(); }

    using PrintTarget::print;
    void print(const QString &item, LineEnd end = CloseLine) override
    {
        m_surface.print(item, end);
        if (m_sinceRepaint.elapsed() >= 40 && m_view.isVisible()) {
            m_view.repaint();
            m_sinceRepaint.restart();
        }
    }

private:
    PictureSurface &m_surface;
    QWidget &m_view;
    QElapsedTimer m_sinceRepaint;
};

} // namespace tolvane
