#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QToolButton;

namespace tolvane {

/// The status bar's message and the readouts beside it. A message takes the
/// room it needs: the readouts give way, the first added first, and one
/// longer than the whole line wraps rather than being cut.
///
/// A warning stands until the user has seen it: passing messages do not
/// replace it, only the user's next act (a click or key in the window, a
/// shortcut, the dismiss button) or the end of the state it reports does.
class StatusLine : public QWidget
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    /// Places @p readout right of those added before.
    void addReadout(QWidget *readout);

    QString message() const;
    /// Replaced by the next message; not shown while a warning stands.
    void showMessage(const QString &text);
    /// Shown beside the warnings standing already. A non-empty @p cause
    /// names the state it reports; another warning of that cause replaces
    /// it, and clearWarning() ends it.
    void showWarning(const QString &text, const QString &cause = QString());
    void clearWarning(const QString &cause);
    /// The user has acted: every message goes.
    void clearMessage();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCurrent();
    /// Hides the readouts the message needs the room of, and lets the
    /// shrinking ones have what is left.
    void arrange();

    struct Warning
    {
        QString text;
        QString cause;
    };
    QList<Warning> m_warnings;
    QString m_passing;
    /// The message as said; the label holds it wrapped.
    QString m_shown;
    QLabel *m_text = nullptr;
    QToolButton *m_dismiss = nullptr;
    QList<QWidget *> m_readouts;
};

} // namespace tolvane
