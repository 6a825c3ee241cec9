#include "dials/dialpanel.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolvane {

namespace {

constexpr int labelHeight = 13;
constexpr int boxLeft = 72;
constexpr QSize boxSize(41, 18);

struct LabelPlace
{
    const char *name;
    const char *caption;
    int left, top, width;
    bool heading; // bold, left-aligned; the others are right-aligned to their box
};

const LabelPlace labelPlaces[] = {
    {"Label19", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Dial Width:"), 14, 96, 52, false},
    {"Label1", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Speedo:"), 8, 120, 48, true},
    {"Label16", QT_TRANSLATE_NOOP("tolvane::DialPanel", "MPH Max:"), 16, 136, 50, false},
    {"Label2", QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Pos:"), 24, 152, 41, false},
    {"Label3", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Pos:"), 24, 168, 41, false},
    {"Label4", QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Max:"), 24, 184, 41, false},
    {"Label5", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Max:"), 24, 200, 41, false},
    {"Label6", QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Min:"), 24, 216, 41, false},
    {"Label7", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Min:"), 24, 232, 41, false},
    {"Label8", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Tachometer:"), 8, 248, 72, true},
    {"Label17", QT_TRANSLATE_NOOP("tolvane::DialPanel", "RPM Max:"), 16, 264, 50, false},
    {"Label9", QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Pos:"), 24, 280, 41, false},
    {"Label10", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Pos:"), 24, 296, 41, false},
    {"Label11", QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Max:"), 24, 312, 41, false},
    {"Label12", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Max:"), 24, 328, 41, false},
    {"Label13", QT_TRANSLATE_NOOP("tolvane::DialPanel", "X-Min:"), 24, 344, 41, false},
    {"Label14", QT_TRANSLATE_NOOP("tolvane::DialPanel", "Y-Min:"), 24, 360, 41, false},
};

// The top of each box, 2 pixels above the label beside it.
constexpr std::array<int, DialPanel::BoxCount> boxTops = {
    94, 134, 150, 166, 182, 198, 214, 230, 262, 278, 294, 310, 326, 342, 358,
};

// A label keeps its designed place, but grows rather than clip its caption
// when the font is wider than the one the panel was laid out for: headings
// to the right, the names beside the boxes to the left, away from the box.
void place(QLabel *label, const LabelPlace &at)
{
    const int width = std::max(at.width, label->sizeHint().width());
    const int left = at.heading ? at.left : at.left + at.width - width;
    label->setAlignment(Qt::AlignVCenter | (at.heading ? Qt::AlignLeft : Qt::AlignRight));
    label->setGeometry(left, at.top, width, labelHeight);
}

QLabel *headingLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

// Narrows the box's font until every 16-bit value fits without scrolling:
// the boxes keep their designed width whatever font the system offers.
void fitWidestValue(QLineEdit *box)
{
    QStyleOptionFrame frame;
    frame.initFrom(box);
    frame.rect = QRect(QPoint(), boxSize);
    frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
    frame.state |= QStyle::State_Sunken;
    // QLineEdit keeps 2 pixels clear on each side of the text, and one more
    // for the cursor.
    const int room = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box).width() - 5;
    const QString widest = QString::number(std::numeric_limits<int16_t>::min());

    QFont narrowed = box->font();
    for (int stretch = QFont::Unstretched; stretch >= QFont::SemiCondensed; stretch -= 3) {
        narrowed.setStretch(stretch);
        if (QFontMetrics(narrowed).horizontalAdvance(widest) <= room)
            break;
    }
    box->setFont(narrowed);
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

DialPanel::DialPanel(DialRecord &record, QWidget *parent)
    : QGroupBox(tr("Dials"), parent)
    , m_record(record)
{
    // The designed positions assume a font of about 11 pixels (8 point at
    // 96 dpi); a pixel size keeps them right on screens of any density.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setFixedSize(DesignedWidth, DesignedHeight);
    createControls();
}

void DialPanel::createControls()
{
    Command3 = new QPushButton(tr("Draw Dials"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(8, 16, 105, 25);
    connect(Command3, &QPushButton::clicked, this, &DialPanel::drawDialsClicked);

    Label15 = headingLabel(tr("Appearance:"), this);
    Label15->setObjectName(QStringLiteral("Label15"));
    place(Label15, {"Label15", "", 8, 48, 73, true});

    DialUseCol = new QFrame(this);
    DialUseCol->setObjectName(QStringLiteral("DialUseCol"));
    DialUseCol->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    DialUseCol->setGeometry(16, 64, 25, 25);
    DialUseCol->setAutoFillBackground(true);
    // Until a dashboard gives it a colour, the swatch shows the system's
    // window background, as an empty picture box does.
    QPalette swatchPalette = DialUseCol->palette();
    swatchPalette.setColor(QPalette::Window, swatchPalette.color(QPalette::Base));
    DialUseCol->setPalette(swatchPalette);

    Command4 = new QPushButton(this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setGeometry(48, 64, 65, 25);
    setPickArmedCaption(false);
    connect(Command4, &QPushButton::clicked, this, &DialPanel::setColourClicked);

    for (const LabelPlace &at : labelPlaces) {
        const QString caption = tr(at.caption);
        QLabel *label = at.heading ? headingLabel(caption, this) : new QLabel(caption, this);
        label->setObjectName(QLatin1String(at.name));
        place(label, at);
    }

    for (int i = 0; i < BoxCount; ++i) {
        auto *box = new QLineEdit(QStringLiteral("0"), this);
        box->setObjectName(QStringLiteral("DialSet%1").arg(i));
        box->setGeometry(QRect(QPoint(boxLeft, boxTops[i]), boxSize));
        fitWidestValue(box);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, [this, i] { DialSet_Change(i); });
        DialSet[i] = box;
    }

    setTabOrder(Command3, Command4);
    setTabOrder(Command4, DialSet[0]);
    for (int i = 1; i < BoxCount; ++i)
        setTabOrder(DialSet[i - 1], DialSet[i]);
}

void DialPanel::fillFrom(const DialRecord &record)
{
    // A copy, because record may be the panel's own, which the boxes write to.
    const DialRecord source = record;
    const QScopedValueRollback filling(m_filling, true);
    for (int i = 0; i < BoxCount; ++i) {
        const DialField field = DialSetFields[i];
        const QString text = QString::number(source.field(field));
        if (DialSet[i]->text() == text)
            m_record.setField(field, source.field(field)); // no change handling for equal text
        else
            DialSet[i]->setText(text);
    }
}

OleColor DialPanel::swatch() const
{
    return toOleColor(DialUseCol->palette().color(QPalette::Window));
}

void DialPanel::setSwatch(OleColor colour)
{
    QPalette swatchPalette = DialUseCol->palette();
    swatchPalette.setColor(QPalette::Window, toQColor(colour));
    DialUseCol->setPalette(swatchPalette);
}

void DialPanel::setPickArmedCaption(bool armed)
{
    Command4->setText(armed ? tr("Cancel") : tr("Set Colour"));
}

bool DialPanel::isMarkedInvalid(int Index) const
{
    return DialSet.at(Index)->property("invalid").toBool();
}

void DialPanel::DialSet_KeyPress(int Index, int &KeyAscii)
{
    Q_UNUSED(Index)
    constexpr int backspace = 8;
    if (KeyAscii != backspace && (KeyAscii < '0' || KeyAscii > '9'))
        KeyAscii = 0;
}

void DialPanel::DialSet_Change(int Index)
{
    // The text written back below is already normalised; handling it again
    // would only store and redraw the same value twice.
    if (m_writingBack)
        return;

    QLineEdit *box = DialSet.at(Index);
    bool isNumber = false;
    const double whole = std::floor(box->text().toDouble(&isNumber));
    // Written so that NaN fails too.
    if (!isNumber || !(whole >= std::numeric_limits<int16_t>::min()
                       && whole <= std::numeric_limits<int16_t>::max())) {
        markInvalid(Index, true);
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
    markInvalid(Index, false);
    const int16_t before = m_record.field(DialSetFields[Index]);
    m_record.setField(DialSetFields[Index], value);
    Q_EMIT dialsChanged();
    if (!m_filling && value != before)
        Q_EMIT dialEdited(Index, before, value);
}

bool DialPanel::eventFilter(QObject *watched, QEvent *event)
{
    const int index = boxIndex(watched);
    if (index >= 0 && event->type() == QEvent::ShortcutOverride) {
        // Left unclaimed, undo and redo reach the window's own, which takes
        // back a box's whole typing at once; a box alone keeps its own.
        const auto *key = static_cast<QKeyEvent *>(event);
        return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
    }
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QGroupBox::eventFilter(watched, event);

    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->text().isEmpty() || isCommandKey(key))
        return false;
    for (const QChar character : key->text()) {
        int keyAscii = character.unicode();
        DialSet_KeyPress(index, keyAscii);
        if (keyAscii == 0)
            return true; // discarded: the box never sees the key
    }
    return false;
}

int DialPanel::boxIndex(const QObject *object) const
{
    const auto found = std::find(DialSet.begin(), DialSet.end(), object);
    return found == DialSet.end() ? -1 : int(found - DialSet.begin());
}

void DialPanel::markInvalid(int Index, bool invalid)
{
    QLineEdit *box = DialSet.at(Index);
    if (box->property("invalid").toBool() == invalid)
        return;
    box->setProperty("invalid", invalid);
    QPalette boxPalette = box->palette();
    boxPalette.setColor(QPalette::Text, invalid ? QColor(Qt::red) : palette().color(QPalette::Text));
    box->setPalette(boxPalette);
}

} // namespace tolvane
