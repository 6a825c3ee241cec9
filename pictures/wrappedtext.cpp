#include "pictures/wrappedtext.h"

#include <QTextLayout>

namespace tolvane {

QStringList wrappedText(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList rows;
    layout.beginLayout();
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(width);
        rows.append(text.mid(row.textStart(), row.textLength()));
    }
    layout.endLayout();
    if (rows.isEmpty())
        rows.append(QString());
    return rows;
}

} // namespace tolvane
