#pragma once

#include <QLabel>

namespace tolvane {

/// A one-line label that, when narrower than its text, shows the text's
/// beginning ending in "...", so that a status bar can give it less room
/// than it asks for without cutting a character in half. text() stays whole.
class ElidingLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tolvane
