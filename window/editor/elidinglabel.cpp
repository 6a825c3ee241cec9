#include "window/editor/elidinglabel.h"

#include <QPainter>

namespace tolvane {

QSize ElidingLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("M...")) + margins.left() + margins.right(),
                 QLabel::minimumSizeHint().height());
}

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

} // namespace tolvane
