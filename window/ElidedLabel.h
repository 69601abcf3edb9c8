#pragma once

#include <QLabel>

namespace korvex {

/// A one-line label that never asks its window for more width: text wider than the label is
/// shown cut in the middle with an ellipsis ("/very/lo…/folder"), and its size hints leave the
/// window's width to the user. `text()` stays the whole text; whoever sets it also sets the
/// tooltip, which shows it whole.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    /// The text as it fits the label's width now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace korvex
