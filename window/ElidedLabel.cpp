#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace korvex {

namespace {

constexpr int smallWidth = 40; // what the label asks for: its line, not its text

} // namespace

QSize ElidedLabel::sizeHint() const {
    return {smallWidth, QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {smallWidth, QLabel::minimumSizeHint().height()};
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event); // fits: drawn (and selectable) as usual
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(),
                          QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
}

} // namespace korvex
