#include "window/editor/statusline.h"

#include "pictures/wrappedtext.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace tolvane {

namespace {

// What a readout cannot do with less of: its fixed width, or what its own
// minimum allows for one that shrinks.
int leastWidth(const QWidget *readout)
{
    return readout->minimumWidth() > 0 ? readout->minimumWidth() : readout->minimumSizeHint().width();
}

bool shrinks(const QWidget *readout)
{
    return readout->minimumWidth() == 0;
}

} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("statusMessage"));
    m_text->setTextFormat(Qt::PlainText);
    // A path in a message can be copied.
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The message has what the readouts leave, which arrange() makes enough.
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(m_text, 1);

    m_dismiss = new QToolButton(this);
    m_dismiss->setObjectName(QStringLiteral("dismissMessage"));
    m_dismiss->setAutoRaise(true);
    m_dismiss->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    m_dismiss->setToolTip(tr("Dismiss"));
    m_dismiss->hide();
    row->addWidget(m_dismiss);
    connect(m_dismiss, &QToolButton::clicked, this, &StatusLine::clearMessage);

    // Any click or key in the window, or a shortcut, tells that the user has
    // moved on.
    qApp->installEventFilter(this);
}

void StatusLine::addReadout(QWidget *readout)
{
    m_readouts.append(readout);
    layout()->addWidget(readout);
    arrange();
}

QString StatusLine::message() const
{
    return m_shown;
}

void StatusLine::showMessage(const QString &text)
{
    m_passing = text;
    showCurrent();
}

void StatusLine::showWarning(const QString &text, const QString &cause)
{
    m_warnings.removeIf([&](const Warning &standing) {
        return standing.text == text || (!cause.isEmpty() && standing.cause == cause);
    });
    m_warnings.append({text, cause});
    m_passing.clear();
    showCurrent();
}

void StatusLine::clearWarning(const QString &cause)
{
    if (m_warnings.removeIf([&](const Warning &standing) { return standing.cause == cause; }) > 0)
        showCurrent();
}

void StatusLine::clearMessage()
{
    m_warnings.clear();
    m_passing.clear();
    showCurrent();
}

void StatusLine::showCurrent()
{
    QStringList shown;
    for (const Warning &warning : std::as_const(m_warnings))
        shown.append(warning.text);
    m_shown = shown.isEmpty() ? m_passing : shown.join(QLatin1Char('\n'));
    m_dismiss->setVisible(!m_warnings.isEmpty());
    arrange();
}

void StatusLine::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        arrange();
}

void StatusLine::arrange()
{
    const QStringList lines = m_shown.split(QLatin1Char('\n'));
    const int spacing = std::max(0, layout()->spacing());
    int wanted = 0;
    for (const QString &line : lines)
        wanted = std::max(wanted, m_text->fontMetrics().horizontalAdvance(line));
    // The glyphs' overhang past their advance is not cut.
    wanted += 2;
    const int room =
        contentsRect().width() - (m_warnings.isEmpty() ? 0 : m_dismiss->sizeHint().width() + spacing);

    int besides = 0;
    for (const QWidget *readout : std::as_const(m_readouts))
        besides += leastWidth(readout) + spacing;
    qsizetype givenWay = 0;
    while (!m_shown.isEmpty() && givenWay < m_readouts.size() && wanted + besides > room) {
        besides -= leastWidth(m_readouts[givenWay]) + spacing;
        ++givenWay;
    }
    const int spare = m_shown.isEmpty() ? QWIDGETSIZE_MAX : std::max(0, room - wanted - besides);
    for (qsizetype i = 0; i < m_readouts.size(); ++i) {
        QWidget *readout = m_readouts[i];
        readout->setVisible(i >= givenWay);
        if (shrinks(readout))
            readout->setMaximumWidth(int(std::min<qint64>(QWIDGETSIZE_MAX, qint64(leastWidth(readout)) + spare)));
    }
    // Longer than the whole line: wrapped, so that the line grows a row
    // rather than cutting the end off.
    if (wanted <= room) {
        m_text->setText(m_shown);
        return;
    }
    QStringList rows;
    for (const QString &line : lines)
        rows += wrappedText(line, m_text->font(), std::max(1, room));
    m_text->setText(rows.join(QLatin1Char('\n')));
}

bool StatusLine::eventFilter(QObject *watched, QEvent *event)
{
    const bool acted = [&] {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress: {
            // Within the line itself the user may be reading or copying it.
            const auto *widget = qobject_cast<QWidget *>(watched);
            return widget && widget->window() == window() && widget != this && !isAncestorOf(widget);
        }
        case QEvent::Shortcut:
            return window()->isActiveWindow();
        default:
            return false;
        }
    }();
    if (acted && !message().isEmpty())
        clearMessage();
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
