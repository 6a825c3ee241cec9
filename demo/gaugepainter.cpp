#include "gaugepainter.h"
#include "demolayout.h"
#include "overlaypainter.h"
#include "pictures/bundledfont.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace tolvane::demo {

namespace {

QPointF pixelCentre(QPoint pixel)
{
    return QPointF(pixel) + QPointF(0.5, 0.5);
}

QFont dashboardFont(int pixelSize, QFont::Weight weight)
{
    QFont font(bundledFontFamily());
    font.setPixelSize(pixelSize);
    // Unhinted, the glyphs are the font's own outlines: the same pixels on
    // every system, whatever hinting its font settings ask for.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setWeight(weight);
    return font;
}

// Centres the ink of @p text, not its line box, so that digits sit exactly
// on their mark.
void drawCentredText(QPainter &p, QPointF centre, const QString &text)
{
    const QRectF ink = QFontMetricsF(p.font()).tightBoundingRect(text);
    p.drawText(centre - ink.center(), text);
}

// A fine twill weave over a top-to-bottom shade, like a carbon-fibre panel.
void paintPanel(QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int shade = 30 - 14 * y / image.height();
        for (int x = 0; x < image.width(); ++x) {
            const bool warp = ((x / 4 + y / 4) % 2) == 0;
            const int ripple = warp ? (x % 4) : (y % 4);
            const int v = shade + (warp ? 3 : -2) + ripple - 1;
            line[x] = qRgb(v, v + 1, v + 3);
        }
    }
}

// The raised moulding that holds both gauges and the displays between them.
void paintCowl(QPainter &p)
{
    QPainterPath cowl;
    const auto add = [&cowl](const QPainterPath &part) { cowl = cowl.united(part); };
    for (const GaugeLayout *gauge : {&Speedometer, &Tachometer}) {
        QPainterPath rim;
        rim.addEllipse(pixelCentre(gauge->pivot), BezelRadius + 14, BezelRadius + 14);
        add(rim);
    }
    QPainterPath bridge;
    bridge.addRoundedRect(QRectF(Speedometer.pivot.x(), Speedometer.pivot.y() - 110,
                                 Tachometer.pivot.x() - Speedometer.pivot.x(), 170),
                          30, 30);
    bridge.addRoundedRect(QRectF(276, 290, 88, 120), 14, 14);
    bridge.addRoundedRect(QRectF(196, 392, 248, 72), 16, 16);
    bridge.setFillRule(Qt::WindingFill);
    add(bridge);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPath(cowl.translated(0, 7));

    QLinearGradient fill(0, 80, 0, 470);
    fill.setColorAt(0, QColor(46, 49, 55));
    fill.setColorAt(1, QColor(20, 21, 24));
    p.setBrush(fill);
    QLinearGradient edge(0, 80, 0, 470);
    edge.setColorAt(0, QColor(104, 109, 118));
    edge.setColorAt(1, QColor(36, 38, 42));
    p.setPen(QPen(QBrush(edge), 1.5));
    p.drawPath(cowl);

    // The recess of the warning lamps.
    p.setPen(QPen(QColor(62, 65, 72), 1));
    p.setBrush(QColor(11, 12, 14));
    p.drawRoundedRect(QRectF(214.5, 402.5, 211, 52), 9, 9);
}

void paintBezelAndFace(QPainter &p, const GaugeLayout &gauge)
{
    const QPointF centre = pixelCentre(gauge.pivot);
    p.setPen(Qt::NoPen);

    // A chrome ring lit from above, then a step down into the face.
    QLinearGradient chrome(centre.x(), centre.y() - BezelRadius, centre.x(), centre.y() + BezelRadius);
    chrome.setColorAt(0, QColor(222, 226, 232));
    chrome.setColorAt(0.45, QColor(120, 124, 132));
    chrome.setColorAt(1, QColor(54, 56, 60));
    p.setBrush(chrome);
    p.drawEllipse(centre, BezelRadius, BezelRadius);

    QLinearGradient step(centre.x(), centre.y() - BezelRadius, centre.x(), centre.y() + BezelRadius);
    step.setColorAt(0, QColor(30, 31, 34));
    step.setColorAt(1, QColor(150, 154, 160));
    p.setBrush(step);
    p.drawEllipse(centre, BezelRadius - 5, BezelRadius - 5);

    QRadialGradient face(centre - QPointF(0, 30), FaceRadius * 1.2);
    face.setColorAt(0, QColor(36, 39, 44));
    face.setColorAt(1, QColor(9, 10, 12));
    p.setBrush(face);
    p.drawEllipse(centre, FaceRadius, FaceRadius);
}

void paintScale(QPainter &p, const GaugeLayout &gauge)
{
    const QPointF centre = pixelCentre(gauge.pivot);

    if (gauge.redlineFrom < gauge.maxValue) {
        const double radius = 117.5;
        const QRectF arc(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        const double start = 225.0 - 270.0 * gauge.redlineFrom / gauge.maxValue;
        const double span = -270.0 * (gauge.maxValue - gauge.redlineFrom) / gauge.maxValue;
        p.setPen(QPen(QColor(196, 30, 22), 7, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(arc, int(start * 16), int(span * 16));
    }

    // Long marks at the numbers, middle ones halfway, short ones between.
    const int step = gauge.labelStep / 4;
    for (int value = 0; value <= gauge.maxValue; value += step) {
        const bool major = value % gauge.labelStep == 0;
        const bool middle = value % (gauge.labelStep / 2) == 0;
        const double inner = major ? 103 : middle ? 110 : 114;
        const double width = major ? 3.2 : middle ? 2.2 : 1.4;
        p.setPen(QPen(QColor(236, 238, 240), width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(gaugePoint(gauge, value, inner), gaugePoint(gauge, value, 121));
    }

    p.setFont(dashboardFont(gauge.labelDivisor == 1 ? 16 : 20, QFont::Bold));
    for (int value = 0; value <= gauge.maxValue; value += gauge.labelStep) {
        const bool red = value >= gauge.redlineFrom && gauge.redlineFrom < gauge.maxValue;
        p.setPen(red ? QColor(255, 86, 64) : QColor(242, 243, 245));
        drawCentredText(p, gaugePoint(gauge, value, 85), QString::number(value / gauge.labelDivisor));
    }

    QFont caption = dashboardFont(13, QFont::DemiBold);
    caption.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(caption);
    p.setPen(QColor(176, 181, 190));
    drawCentredText(p, centre + QPointF(0, -44), QString::fromLatin1(gauge.caption));
}

// A faint reflection on the upper half of the glass.
void paintGlass(QPainter &p, const GaugeLayout &gauge)
{
    const QPointF centre = pixelCentre(gauge.pivot);
    QPainterPath face;
    face.addEllipse(centre, FaceRadius, FaceRadius);
    QPainterPath sheen;
    sheen.addEllipse(centre + QPointF(-18, -70), FaceRadius * 1.1, FaceRadius * 0.75);
    QLinearGradient light(centre.x(), centre.y() - FaceRadius, centre.x(), centre.y());
    light.setColorAt(0, QColor(255, 255, 255, 34));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawPath(face.intersected(sheen));
}

// The needle-coloured cap at the pivot; its flat centre is where the needle
// colour is sampled, so it carries no shading.
void paintHub(QPainter &p, const GaugeLayout &gauge)
{
    const QPointF centre = pixelCentre(gauge.pivot);
    QRadialGradient ring(centre - QPointF(3, 4), HubRadius * 1.5);
    ring.setColorAt(0, QColor(120, 124, 130));
    ring.setColorAt(1, QColor(24, 25, 28));
    p.setPen(QPen(QColor(0, 0, 0, 140), 1));
    p.setBrush(ring);
    p.drawEllipse(centre, HubRadius, HubRadius);
    p.setPen(Qt::NoPen);
    p.setBrush(NeedleColour);
    p.drawEllipse(centre, 6.5, 6.5);
}

void paintTurnArrow(QPainter &p, QPointF tip, int direction)
{
    const double d = direction;
    const QPolygonF arrow({tip, tip + QPointF(-11 * d, -8), tip + QPointF(-11 * d, -3.5),
                           tip + QPointF(-20 * d, -3.5), tip + QPointF(-20 * d, 3.5),
                           tip + QPointF(-11 * d, 3.5), tip + QPointF(-11 * d, 8)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 66, 38));
    p.drawPolygon(arrow);
}

void paintTrim(QPainter &p)
{
    paintTurnArrow(p, QPointF(292, 142), -1);
    paintTurnArrow(p, QPointF(348, 142), 1);

    QFont small = dashboardFont(10, QFont::Bold);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(small);
    p.setPen(QColor(150, 155, 164));
    drawCentredText(p, QPointF(320, 306), QStringLiteral("GEAR"));

    QFont mark = dashboardFont(12, QFont::Bold);
    mark.setItalic(true);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(mark);
    p.setPen(QColor(120, 126, 136));
    drawCentredText(p, pixelCentre(Tachometer.pivot) + QPointF(0, 68), QStringLiteral("TOLVANE"));
}

} // namespace

QImage paintDashboard()
{
    QImage image(DashboardSize, QImage::Format_RGB32);
    paintPanel(image);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintCowl(p);
    for (const GaugeLayout *gauge : {&Speedometer, &Tachometer}) {
        paintBezelAndFace(p, *gauge);
        paintScale(p, *gauge);
    }
    paintTrim(p);
    for (const OverlayPlace &place : Overlays)
        paintOverlay(p, place, false);
    for (const GaugeLayout *gauge : {&Speedometer, &Tachometer}) {
        paintGlass(p, *gauge);
        paintHub(p, *gauge);
    }
    return image;
}

} // namespace tolvane::demo
