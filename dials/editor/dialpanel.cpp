#include "dials/editor/dialpanel.h"

#include "dials/drawdials.h"
#include "dials/editor/needletest.h"
#include "document/dashboarddocument.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolvane {

namespace {

// Under the dial width, each dial: its heading, the top of its scale and the
// six numbers that place its needle, in the boxes' order.
struct DialCaptions
{
    const char *heading;
    const char *top;
};

const DialCaptions dialCaptions[] = {
    {QT_TRANSLATE_NOOP("tolvane::DialPanel", "Speedo:"), QT_TRANSLATE_NOOP("tolvane::DialPanel", "MPH Max:")},
    {QT_TRANSLATE_NOOP("tolvane::DialPanel", "Tachometer:"), QT_TRANSLATE_NOOP("tolvane::DialPanel", "RPM Max:")},
};

const char *const needleCaptions[] = {
    QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Pos:"), QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Pos:"),
    QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Max:"), QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Max:"),
    QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Min:"), QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Min:"),
};

// A box as wide as every 16-bit value needs in its font, so that none
// scrolls, and as tall as its text: the side bar leaves the dashboard the
// rest, and the fifteen rows fit the window's designed height.
class NumberBox : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

    QSize sizeHint() const override
    {
        ensurePolished();
        QStyleOptionFrame frame;
        initStyleOption(&frame);
        // QLineEdit keeps 2 pixels clear on each side of the text, and one
        // more for the cursor.
        const QMargins margins = textMargins() + contentsMargins();
        const QSize text(
            fontMetrics().horizontalAdvance(QString::number(std::numeric_limits<int16_t>::min())) + 5 +
                margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom());
        // The style's room above and below the text is more than fifteen rows
        // can spare: the frame around the line will do.
        return QSize(style()->sizeFromContents(QStyle::CT_LineEdit, &frame, text, this).width(),
                     text.height() + 2 * frame.lineWidth);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

// Digits and Backspace are typed; every other character, control characters
// included, is discarded before the box sees it.
bool isTypeable(QChar character)
{
    constexpr char16_t backspace = 8;
    return character == QChar(backspace) || (character >= QLatin1Char('0') && character <= QLatin1Char('9'));
}

QLabel *headingLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

// Keys that Windows text boxes treat as commands rather than typing, although
// Qt hands them over with a control character. A paste is let through: the
// change handling normalises what it brings.
bool isCommandKey(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    for (const auto command : {QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut,
                               QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll}) {
        if (key->matches(command))
            return true;
    }
    return false;
}

} // namespace

DialPanel::DialPanel(DashboardDocument &document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
{
    createControls();

    connect(m_needleTest, &NeedleTest::needlesChanged, this, &DialPanel::needleTestChanged);
    connect(m_needleTest, &NeedleTest::returnedToRest, this, &DialPanel::drawDialsRequested);
    connect(&document, &DashboardDocument::loaded, this, &DialPanel::fillBoxes);
    connect(&document, &DashboardDocument::backgroundChanged, this, &DialPanel::showSampledColour);
    connect(&document, &DashboardDocument::dialChanged, this, &DialPanel::followDialChange);
}

void DialPanel::createControls()
{
    m_frame = new QGroupBox(tr("Dials"), this);
    m_needleTest = new NeedleTest(m_document, this);
    auto *panel = new QVBoxLayout(this);
    panel->setContentsMargins(QMargins());
    panel->addWidget(m_frame);
    panel->addWidget(m_needleTest);

    m_drawDials = new QPushButton(tr("Draw Dials"), m_frame);
    m_drawDials->setObjectName(QStringLiteral("drawDials"));
    connect(m_drawDials, &QPushButton::clicked, this, [this] {
        Q_EMIT drawDialsRequested();
        m_needleTest->rest();
    });

    m_swatch = new QFrame(m_frame);
    m_swatch->setObjectName(QStringLiteral("needleColour"));
    m_swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_swatch->setAutoFillBackground(true);
    // Until a dashboard gives it a colour, the swatch shows the system's
    // window background, as an empty picture box does.
    QPalette swatchPalette = m_swatch->palette();
    swatchPalette.setColor(QPalette::Window, swatchPalette.color(QPalette::Base));
    m_swatch->setPalette(swatchPalette);

    m_setColour = new QPushButton(m_frame);
    m_setColour->setObjectName(QStringLiteral("setColour"));
    setPickArmed(false);
    connect(m_setColour, &QPushButton::clicked, this, &DialPanel::toggleColourPick);
    // The swatch is a square as tall as the button beside it.
    m_swatch->setMinimumWidth(m_setColour->sizeHint().height());

    // The names right-aligned against their boxes, the headings over them
    // from the left edge.
    auto *grid = new QGridLayout(m_frame);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->addWidget(m_drawDials, 0, 0, 1, 2);
    grid->addWidget(headingLabel(tr("Appearance:"), m_frame), 1, 0, 1, 2);
    auto *colour = new QHBoxLayout;
    colour->addWidget(m_swatch);
    colour->addWidget(m_setColour, 1);
    grid->addLayout(colour, 2, 0, 1, 2);

    int next = 0;
    const auto addBox = [this, grid, &next](const char *caption) {
        const int row = grid->rowCount();
        const int box = next++;
        grid->addWidget(new QLabel(tr(caption), m_frame), row, 0, Qt::AlignRight);
        auto *edit = new NumberBox(QStringLiteral("0"), m_frame);
        const DialField field = DialSetFields[size_t(box)];
        edit->setObjectName(QLatin1String(
            std::find_if(DialFields.begin(), DialFields.end(), [field](const auto &f) { return f.field == field; })
                ->name));
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, box] { storeBox(box); });
        grid->addWidget(edit, row, 1);
        m_boxes[size_t(box)] = edit;
    };
    addBox(QT_TRANSLATE_NOOP("tolvane::DialPanel", "Dial Width:"));
    for (const DialCaptions &dial : dialCaptions) {
        grid->addWidget(headingLabel(tr(dial.heading), m_frame), grid->rowCount(), 0, 1, 2);
        addBox(dial.top);
        for (const char *caption : needleCaptions)
            addBox(caption);
    }

    setTabOrder(m_drawDials, m_setColour);
    setTabOrder(m_setColour, m_boxes[0]);
    for (int i = 1; i < BoxCount; ++i)
        setTabOrder(m_boxes[size_t(i - 1)], m_boxes[size_t(i)]);
}

void DialPanel::focusField(DialField field)
{
    const auto box = std::find(DialSetFields.begin(), DialSetFields.end(), field);
    QWidget *target = box == DialSetFields.end() ? static_cast<QWidget *>(m_setColour)
                                                 : m_boxes[size_t(box - DialSetFields.begin())];
    target->setFocus(Qt::OtherFocusReason);
}

void DialPanel::fillBoxes()
{
    showSampledColour();
    bool changed = false;
    for (int i = 0; i < BoxCount; ++i)
        changed |= showValue(i, m_document.tables().dialRecord.field(DialSetFields[size_t(i)]));
    // As when typed, a box that shows another number redraws the dials.
    if (changed) {
        Q_EMIT drawDialsRequested();
        m_needleTest->followRecord();
    }
}

void DialPanel::followDialChange(DialField field)
{
    const auto box = std::find(DialSetFields.begin(), DialSetFields.end(), field);
    if (box != DialSetFields.end())
        showValue(int(box - DialSetFields.begin()), m_document.tables().dialRecord.field(field));
    if (field == DialField::ColourX || field == DialField::ColourY)
        showSampledColour();
    m_needleTest->followRecord();
}

void DialPanel::showSampledColour()
{
    const QImage &picture = m_document.background();
    const DialRecord &record = m_document.tables().dialRecord;
    const QPoint at(record.field(DialField::ColourX), record.field(DialField::ColourY));
    setSwatch(picture.valid(at) ? fromQRgb(picture.pixel(at)) : 0);
}

bool DialPanel::showValue(int box, int16_t value)
{
    QLineEdit *edit = m_boxes[size_t(box)];
    const QString text = QString::number(value);
    markInvalid(box, false);
    if (edit->text() == text)
        return false;
    const QScopedValueRollback writingBack(m_writingBack, true);
    edit->setText(text);
    return true;
}

OleColor DialPanel::swatch() const
{
    return toOleColor(m_swatch->palette().color(QPalette::Window));
}

void DialPanel::setSwatch(OleColor colour)
{
    QPalette swatchPalette = m_swatch->palette();
    swatchPalette.setColor(QPalette::Window, toQColor(colour));
    m_swatch->setPalette(swatchPalette);
}

void DialPanel::toggleColourPick()
{
    setPickArmed(!m_pickArmed);
    if (m_pickArmed) {
        Q_EMIT colourPickArmed();
        // The pick sees the bare picture: the test keeps off it.
        m_needleTest->rest();
    } else {
        Q_EMIT colourPickCancelled();
    }
}

void DialPanel::finishColourPick()
{
    setPickArmed(false);
}

void DialPanel::setPickArmed(bool armed)
{
    m_pickArmed = armed;
    m_setColour->setText(armed ? tr("Cancel") : tr("Set Colour"));
    if (m_needleTest)
        m_needleTest->setEnabled(!armed);
}

bool DialPanel::isMarkedInvalid(int box) const
{
    return m_boxes.at(size_t(box))->property("invalid").toBool();
}

void DialPanel::storeBox(int index)
{
    // The text written from the record is normalised already and stored.
    if (m_writingBack)
        return;

    QLineEdit *box = m_boxes.at(size_t(index));
    bool isNumber = false;
    const double whole = std::floor(box->text().toDouble(&isNumber));
    if (!isNumber || !fitsInt16(whole)) {
        markInvalid(index, true);
        return;
    }

    const auto value = int16_t(whole);
    const QString text = QString::number(value);
    if (text != box->text()) {
        // The cursor keeps its distance from the end, so that typing on after
        // a dropped leading zero continues where it was.
        const int fromEnd = int(box->text().size()) - box->cursorPosition();
        {
            const QScopedValueRollback writingBack(m_writingBack, true);
            box->setText(text);
        }
        box->setCursorPosition(std::max(0, int(text.size()) - fromEnd));
    }
    markInvalid(index, false);
    m_document.setDialField(DialSetFields[size_t(index)], value, m_typingRun);
}

bool DialPanel::event(QEvent *event)
{
    // Leaving the panel draws nothing, so the test ends silently.
    if (event->type() == QEvent::HideToParent)
        m_needleTest->rest();
    return QWidget::event(event);
}

bool DialPanel::eventFilter(QObject *watched, QEvent *event)
{
    const int index = boxIndex(watched);
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        ++m_typingRun;
        // The box shows what is stored once the user has gone elsewhere; a
        // context menu (to paste) or a visit to another window leaves the
        // text for the user to finish.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (isMarkedInvalid(index) && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            showValue(index, m_document.tables().dialRecord.field(DialSetFields[size_t(index)]));
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Left unclaimed, undo and redo reach the window's own, which takes
        // back a box's whole typing at once; a box alone keeps its own.
        const auto *key = static_cast<QKeyEvent *>(event);
        return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);

    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->text().isEmpty() || isCommandKey(key))
        return false;
    // One character that cannot be typed discards the key: the box never sees it.
    const QString text = key->text();
    return !std::all_of(text.begin(), text.end(), isTypeable);
}

int DialPanel::boxIndex(const QObject *object) const
{
    const auto found = std::find(m_boxes.begin(), m_boxes.end(), object);
    return found == m_boxes.end() ? -1 : int(found - m_boxes.begin());
}

void DialPanel::markInvalid(int index, bool invalid)
{
    QLineEdit *box = m_boxes.at(size_t(index));
    if (box->property("invalid").toBool() == invalid)
        return;
    box->setProperty("invalid", invalid);
    QPalette boxPalette = box->palette();
    boxPalette.setColor(QPalette::Text, invalid ? QColor(Qt::red) : palette().color(QPalette::Text));
    box->setPalette(boxPalette);
    // The red text alone does not say that the needles and a save use
    // another number than the one shown.
    const QString why = invalid ? tr("%1 keeps %2: type a whole number from %3 to %4")
                                      .arg(box->objectName())
                                      .arg(m_document.tables().dialRecord.field(DialSetFields[size_t(index)]))
                                      .arg(std::numeric_limits<int16_t>::min())
                                      .arg(std::numeric_limits<int16_t>::max())
                                : QString();
    box->setToolTip(why);
    if (invalid)
        Q_EMIT statusWarning(why, box->objectName());
    else
        Q_EMIT statusWarningCleared(box->objectName());
}

} // namespace tolvane
