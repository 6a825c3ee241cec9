#pragma once

#include "pictures/rasterops.h"
#include "store/printtarget.h"
#include "store/status.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QRegion>

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

/// A picture box: a bitmap to draw on, print progress text on and blit
/// between, with the operations every view of the editor uses. It needs no
/// widget; a widget shows screenImage() and repaints what changed() names.
///
/// The surface keeps its picture and a persistent image, the picture with
/// everything drawn since the last Cls(). With AutoRedraw off, drawing goes
/// to a screen layer instead: a copy of the persistent image that only the
/// screen shows, which Point() and BitBlt() do not see. The screen layer
/// stays until the persistent image next changes (picture, Cls, BackColor,
/// drawing with AutoRedraw on, Refresh with AutoRedraw on).
///
/// Cls() restores only what was drawn on since the previous one, so a drag
/// step on a large dashboard costs what the object covers.
///
/// Coordinates are pixels, origin top-left; fractional ones are rounded to
/// the nearest pixel, halves to even. Print() needs a QGuiApplication for its
/// font; without one it does nothing.
class PictureSurface : public QObject, public PrintTarget
{
    Q_OBJECT

public:
    /// A surface of @p size, filled with the background colour (white), until
    /// a picture gives it the picture's size.
    explicit PictureSurface(const QSize &size = QSize(), QObject *parent = nullptr);

    /// Loads the bitmap at @p bmpPath as the picture. On failure the surface
    /// is unchanged and the status names the file and the fault.
    Status Picture(const QString &bmpPath);
    /// Makes @p picture the surface's picture and size; a null image removes
    /// the picture, keeping the size. Everything drawn is erased.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

    /// Erases everything drawn and printed, back to the picture (or the
    /// background colour), and returns the text position to the top-left.
    /// With AutoRedraw off only the screen layer is erased.
    void Cls();

    using PrintTarget::Print;
    /// Prints @p item in black at the text position. A closed line moves the
    /// position to the start of the next line; an open one to the end of the
    /// text.
    void Print(const QString &item, LineEnd end = CloseLine) override;

    /// A dot of DrawWidth at (@p x, @p y).
    void PSet(double x, double y, OleColor colour);
    /// The colour of the persistent image at (@p x, @p y); none outside it.
    std::optional<OleColor> Point(int x, int y) const;
    /// A line of DrawWidth with round ends from (@p x1, @p y1) to (@p x2, @p y2),
    /// both ends included. With @p filledBox, the rectangle the two points
    /// span, both corners included, is filled instead, whatever DrawWidth.
    void Line(double x1, double y1, double x2, double y2, OleColor colour, bool filledBox = false);
    /// A circle outline of DrawWidth.
    void Circle(double x, double y, double radius, OleColor colour);
    /// Asks the widget to repaint at once (refreshRequested()). With
    /// AutoRedraw on, the screen shows the persistent image again.
    void Refresh();

    OleColor BackColor() const { return m_backColor; }
    /// Sets the colour under the picture. Erases everything drawn.
    void setBackColor(OleColor colour);

    int DrawWidth() const { return m_drawWidth; }
    /// Pen width of later PSet, Line and Circle; widths below 1 are taken as 1.
    void setDrawWidth(int width);

    bool AutoRedraw() const { return m_autoRedraw; }
    void setAutoRedraw(bool on) { m_autoRedraw = on; }

    int ScaleWidth() const { return m_image.width(); }
    int ScaleHeight() const { return m_image.height(); }
    QSize size() const { return m_image.size(); }

    int CurrentX() const { return m_currentX; }
    int CurrentY() const { return m_currentY; }
    /// The font of Print().
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
    void refreshRequested();

private:
    friend void BitBlt(PictureSurface &dest, int x, int y, int w, int h,
                       const PictureSurface &src, RasterOp op);

    QImage &beginDrawing();
    void finishDrawing(const QRect &area);
    template<typename PaintFunction>
    void paint(const QRect &area, PaintFunction &&paintFunction);
    void dropScreenLayer();
    void restore(const QRegion &region);
    void restoreAll();

    QImage m_picture;
    QImage m_image;
    QImage m_screenLayer;
    bool m_screenLayerShown = false;
    QRegion m_drawn;            // where m_image differs from the picture
    QRegion m_drawnOnScreen;    // where m_screenLayer differs from m_image
    OleColor m_backColor = 0xFFFFFF;
    int m_drawWidth = 1;
    bool m_autoRedraw = true;
    int m_currentX = 0;
    int m_currentY = 0;
    QFont m_font;
};

/// Combines the w x h block at (0, 0) of @p src's persistent image into
/// @p dest at (@p x, @p y) under @p op (see rasterBlit()). Like any drawing,
/// it goes to @p dest's screen layer while its AutoRedraw is off.
void BitBlt(PictureSurface &dest, int x, int y, int w, int h, const PictureSurface &src,
            RasterOp op);

} // namespace tolvane
