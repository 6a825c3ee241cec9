#include "overlaypainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>

namespace tolvane::demo {

namespace {

// Warning lamp symbols are drawn in a 32 x 22 frame and scaled into the lamp.
constexpr QSizeF SymbolFrame(32, 22);

QPainterPath stroked(const QPainterPath &path, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

QPainterPath oilCanSymbol()
{
    QPainterPath body;
    body.moveTo(6, 10);
    body.lineTo(19, 10);
    body.lineTo(22, 12.5);
    body.lineTo(29, 8);
    body.lineTo(30, 9.2);
    body.lineTo(22.5, 17);
    body.lineTo(6, 17);
    body.closeSubpath();
    body.addRect(10, 7.5, 5, 2.5);
    body.addRect(11.8, 6, 1.4, 2);

    QPainterPath handle;
    handle.moveTo(6, 11);
    handle.lineTo(2.5, 9.5);
    handle.lineTo(2.5, 13.5);
    handle.lineTo(6, 15);

    QPainterPath drip;
    drip.moveTo(29.3, 11.2);
    drip.quadTo(30.6, 13.6, 30.4, 14.3);
    drip.arcTo(QRectF(28.2, 13.2, 2.2, 2.2), 0, -180);
    drip.quadTo(28.1, 13.6, 29.3, 11.2);

    return body.united(stroked(handle, 1.6)).united(drip);
}

QPainterPath batterySymbol()
{
    QPainterPath outline;
    outline.addRect(4, 7, 24, 12);
    QPainterPath symbol = stroked(outline, 2);
    symbol.addRect(7, 4, 5, 2.5);
    symbol.addRect(20, 4, 5, 2.5);
    symbol.addRect(7.5, 12.2, 5, 1.6);
    symbol.addRect(19.5, 12.2, 5, 1.6);
    symbol.addRect(21.2, 10.5, 1.6, 5);
    return symbol.simplified();
}

QPainterPath handbrakeSymbol()
{
    const QPointF centre(16, 11);
    QPainterPath rings;
    rings.addEllipse(centre, 6.5, 6.5);
    const QRectF outer(centre.x() - 10, centre.y() - 10, 20, 20);
    rings.arcMoveTo(outer, 135);
    rings.arcTo(outer, 135, 90);
    rings.arcMoveTo(outer, -45);
    rings.arcTo(outer, -45, 90);

    QPainterPath symbol = stroked(rings, 2);
    symbol.addRect(15.1, 6.9, 1.8, 5.2);
    symbol.addEllipse(QPointF(16, 14.3), 1.1, 1.1);
    return symbol.simplified();
}

void paintLamp(QPainter &p, const QRectF &box, const QPainterPath &symbol, bool lit)
{
    const QRectF socket = box.adjusted(3, 3, -3, -3);
    const QColor glow(255, 48, 24);

    p.save();
    if (lit) {
        // The lens lights up inside its rim; the rim stays as it was.
        QRadialGradient light(socket.center(), socket.width() * 0.6);
        light.setColorAt(0, QColor(110, 22, 12));
        light.setColorAt(1, QColor(36, 10, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(light);
        p.drawRoundedRect(socket.adjusted(1, 1, -1, -1), 4, 4);
    } else {
        p.setPen(QPen(QColor(58, 61, 68), 1));
        p.setBrush(QColor(13, 14, 16));
        p.drawRoundedRect(socket, 5, 5);
    }

    const double scale = std::min(socket.width() / 36.0, socket.height() / 26.0);
    p.translate(socket.center());
    p.scale(scale, scale);
    p.translate(-SymbolFrame.width() / 2, -SymbolFrame.height() / 2);
    p.setBrush(Qt::NoBrush);
    if (lit) {
        // A lit bulb bleeds light around the symbol.
        for (const auto &[width, alpha] : {std::pair{3.5, 50}, std::pair{2.0, 90}}) {
            p.setPen(QPen(QColor(glow.red(), glow.green(), glow.blue(), alpha), width,
                          Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(symbol);
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(255, 92, 64) : QColor(66, 30, 27));
    p.drawPath(symbol);
    p.restore();
}

// Seven-segment displays: segments a to g, bit 0 = a.
enum Segment { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };
constexpr int DigitSegments[10] = {
    A | B | C | D | E | F, B | C, A | B | G | E | D, A | B | G | C | D, F | G | B | C,
    A | F | G | C | D, A | F | G | E | D | C, A | B | C, A | B | C | D | E | F | G, A | B | C | D | F | G,
};

// A segment is a hexagon around the line from @p from to @p to.
QPolygonF segmentShape(QPointF from, QPointF to, double thickness)
{
    const double gap = thickness * 0.35;
    const QPointF along = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF across(-along.y(), along.x());
    from += along * gap;
    to -= along * gap;
    const double half = thickness / 2;
    return QPolygonF({from, from + (along + across) * half, to + (across - along) * half, to,
                      to - (along + across) * half, from + (along - across) * half});
}

void paintDigit(QPainter &p, const QRectF &cell, int segments, const QColor &colour)
{
    const double t = cell.width() * 0.2;
    const double left = cell.left() + t / 2, right = cell.right() - t / 2;
    const double top = cell.top() + t / 2, bottom = cell.bottom() - t / 2;
    const double middle = cell.center().y();
    const QPointF ends[7][2] = {
        {{left, top}, {right, top}},       {{right, top}, {right, middle}},
        {{right, middle}, {right, bottom}}, {{left, bottom}, {right, bottom}},
        {{left, middle}, {left, bottom}},   {{left, top}, {left, middle}},
        {{left, middle}, {right, middle}},
    };
    // A slight forward slant, as on the displays of the period.
    const auto slant = [&](QPointF point) {
        return QPointF(point.x() + (cell.bottom() - point.y()) * 0.1, point.y());
    };
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int s = 0; s < 7; ++s) {
        if (segments & (1 << s))
            p.drawPolygon(segmentShape(slant(ends[s][0]), slant(ends[s][1]), t));
    }
}

// A row of digits in a dark window; unlit it shows only faint eights.
void paintDisplay(QPainter &p, const QRectF &box, const QString &digits, QSizeF cellSize, double spacing,
                  const QColor &on, const QColor &off, bool lit)
{
    p.save();
    if (!lit) {
        p.setPen(QPen(QColor(64, 67, 74), 1));
        p.setBrush(QColor(7, 8, 9));
        p.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    }

    const double width = digits.size() * cellSize.width() + (digits.size() - 1) * spacing;
    QRectF cell(box.center().x() - width / 2, box.center().y() - cellSize.height() / 2, cellSize.width(),
                cellSize.height());
    for (QChar digit : digits) {
        if (lit) {
            QColor halo = on;
            halo.setAlpha(60);
            paintDigit(p, cell.adjusted(-0.8, -0.8, 0.8, 0.8), DigitSegments[digit.digitValue()], halo);
            paintDigit(p, cell, DigitSegments[digit.digitValue()], on);
        } else {
            paintDigit(p, cell, DigitSegments[8], off);
        }
        cell.translate(cellSize.width() + spacing, 0);
    }
    p.restore();
}

} // namespace

void paintOverlay(QPainter &painter, const OverlayPlace &place, bool lit)
{
    const QRectF box = place.box;
    switch (place.kind) {
    case OverlayKind::OilLamp:
        paintLamp(painter, box, oilCanSymbol(), lit);
        break;
    case OverlayKind::BatteryLamp:
        paintLamp(painter, box, batterySymbol(), lit);
        break;
    case OverlayKind::HandbrakeLamp:
        paintLamp(painter, box, handbrakeSymbol(), lit);
        break;
    case OverlayKind::GearIndicator:
        paintDisplay(painter, box, QStringLiteral("3"), QSizeF(24, 40), 0, QColor(120, 255, 96),
                     QColor(13, 25, 15), lit);
        break;
    case OverlayKind::Odometer:
        paintDisplay(painter, box, QStringLiteral("084263"), QSizeF(10, 16), 3, QColor(255, 168, 40),
                     QColor(30, 21, 11), lit);
        break;
    }
}

} // namespace tolvane::demo
