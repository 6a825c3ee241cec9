#pragma once

#include "pictures/rasterops.h"
#include "store/printtarget.h"
#include "store/status.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRegion>
#include <QStringList>

#include <optional>

namespace tolvane {

/// A colour as the dashboard files and dial data hold it: 24-bit RGB with
/// red in the low byte, 0x00BBGGRR. Note that QRgb is the other way round.
using OleColor = quint32;

inline constexpr QRgb toQRgb(OleColor colour)
{
    return 0xFF000000u | ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

inline constexpr OleColor fromQRgb(QRgb rgb)
{
    return ((rgb >> 16) & 0xFFu) | (rgb & 0xFF00u) | ((rgb & 0xFFu) << 16);
}

inline QColor toQColor(OleColor colour) { return QColor::fromRgb(toQRgb(colour)); }
inline OleColor toOleColor(const QColor &colour) { return fromQRgb(colour.rgb()); }

/// A bitmap to draw on, print progress lines over and blit between, with the
/// operations every view of the editor uses. It needs no widget; a widget
/// shows screenImage() and repaints what changed() names.
///
/// The surface keeps its picture and a persistent image, the picture with
/// everything drawn since the last clear(). With persistent drawing off,
/// drawing goes to a screen layer instead: a copy of the persistent image that
/// only the screen shows, which pixel() and blit() do not see. The screen
/// layer stays until the persistent image next changes (picture, clear(),
/// background colour, drawing or requestRepaint() with persistent drawing on).
///
/// clear() restores only what was drawn on since the previous one, so a drag
/// step on a large dashboard costs what the object covers.
///
/// Coordinates are pixels, origin top-left; fractional ones are rounded to
/// the nearest pixel, halves to even.
class PictureSurface : public QObject
{
    Q_OBJECT

public:
    /// A surface of @p size, filled with the background colour (white), until
    /// a picture gives it the picture's size.
    explicit PictureSurface(const QSize &size = QSize(), QObject *parent = nullptr);

    /// Loads the bitmap at @p bmpPath as the picture. On failure the surface
    /// is unchanged and the status names the file and the fault.
    Status loadPicture(const QString &bmpPath);
    /// Makes @p picture the surface's picture and size; a null image removes
    /// the picture, keeping the size. Everything drawn is erased.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

    /// Erases everything drawn and printed, back to the picture (or the
    /// background colour). With persistent drawing off only the screen layer
    /// is erased.
    void clear();

    /// Prints @p text as a new line, or at the end of the last one while that
    /// was kept open. The lines lie over the picture, not in it: a widget
    /// shows them where they can be read, until clear() or a new picture.
    void print(const QString &text, PrintTarget::LineEnd end = PrintTarget::CloseLine);
    const QStringList &printedLines() const { return m_printed; }

    /// A dot of the pen width at @p at.
    void drawPoint(const QPointF &at, OleColor colour);
    /// The colour of the persistent image at (@p x, @p y); none outside it.
    std::optional<OleColor> pixel(int x, int y) const;
    /// A line of the pen width with round ends from @p from to @p to, both
    /// ends included.
    void drawLine(const QPointF &from, const QPointF &to, OleColor colour);
    /// Fills the rectangle that @p corner and @p oppositeCorner span, both
    /// corners included, whatever the pen width.
    void fillRect(const QPointF &corner, const QPointF &oppositeCorner, OleColor colour);
    /// A circle outline of the pen width.
    void drawCircle(const QPointF &centre, double radius, OleColor colour);
    /// Asks the widget to repaint at once (repaintRequested()). With
    /// persistent drawing on, the screen shows the persistent image again.
    void requestRepaint();

    /// Combines the @p size block at (0, 0) of @p source's persistent image
    /// into this surface at @p at under @p op (see rasterBlit()). Like any
    /// drawing, it goes to the screen layer while persistent drawing is off.
    void blit(QPoint at, const PictureSurface &source, QSize size, RasterOp op);

    OleColor backgroundColour() const { return m_backgroundColour; }
    /// Sets the colour under the picture. Erases everything drawn.
    void setBackgroundColour(OleColor colour);

    int penWidth() const { return m_penWidth; }
    /// Pen width of later drawPoint(), drawLine() and drawCircle(); widths
    /// below 1 are taken as 1.
    void setPenWidth(int width);

    /// Whether drawing goes into the persistent image (on, the default) or
    /// to the screen layer only.
    bool persistentDrawing() const { return m_persistentDrawing; }
    void setPersistentDrawing(bool on) { m_persistentDrawing = on; }

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    QSize size() const { return m_image.size(); }

    /// The font the printed lines are shown in.
    const QFont &font() const { return m_font; }

    /// The persistent image (QImage::Format_RGB32). Read it in place: a
    /// copy kept elsewhere would make the next drawing copy the whole image.
    const QImage &image() const { return m_image; }
    /// What the screen shows: the screen layer while there is one, otherwise
    /// the persistent image.
    const QImage &screenImage() const { return m_screenLayerShown ? m_screenLayer : m_image; }

Q_SIGNALS:
    /// The screen shows something else in @p region.
    void changed(const QRegion &region);
    void sizeChanged(const QSize &size);
    void repaintRequested();
    void printedChanged();

private:
    QImage &beginDrawing();
    void finishDrawing(const QRect &area);
    template<typename PaintFunction>
    void paint(const QRect &area, PaintFunction &&paintFunction);
    void dropScreenLayer();
    void restore(const QRegion &region);
    void restoreAll();
    void dropPrinted();

    QImage m_picture;
    QImage m_image;
    QImage m_screenLayer;
    bool m_screenLayerShown = false;
    QRegion m_drawn;            // where m_image differs from the picture
    QRegion m_drawnOnScreen;    // where m_screenLayer differs from m_image
    OleColor m_backgroundColour = 0xFFFFFF;
    int m_penWidth = 1;
    bool m_persistentDrawing = true;
    QStringList m_printed;
    /// The last printed line was kept open.
    bool m_lineOpen = false;
    QFont m_font;
};

} // namespace tolvane
