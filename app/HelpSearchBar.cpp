#include "HelpSearchBar.h"

#include <QLineEdit>
#include <QPdfSearchModel>
#include <QTextEdit>

namespace korvex {

HelpSearchBar::HelpSearchBar(QWidget* parent)
    : FindBar(tr("Find in the manual"), parent), model_(new QPdfSearchModel(this)) {
    connect(field(), &QLineEdit::textChanged, this, [this](const QString& text) {
        current_ = -1;
        model_->setSearchString(text);
        updateCount();
    });
    // The matches come in page by page; the count follows them.
    connect(model_, &QAbstractItemModel::rowsInserted, this, &HelpSearchBar::updateCount);
    connect(model_, &QAbstractItemModel::modelReset, this, &HelpSearchBar::updateCount);
}

HelpSearchBar::~HelpSearchBar() = default;

void HelpSearchBar::setDocument(QPdfDocument* document) {
    current_ = -1;
    model_->setDocument(document);
    updateCount();
}

void HelpSearchBar::setTextView(QTextEdit* text) {
    FindBar::setTextView(text);
    updateCount();
}

void HelpSearchBar::step(int by) {
    if (textView()) {
        FindBar::step(by);
        return;
    }
    const int found = model_->rowCount({});
    if (found == 0) {
        updateCount();
        return;
    }
    // Round the end: after the last match comes the first again.
    current_ = current_ < 0 ? (by > 0 ? 0 : found - 1) : (current_ + by + found) % found;
    updateCount();
    emit resultChosen(model_->resultAtIndex(current_));
}

void HelpSearchBar::updateCount() {
    const int found = model_->rowCount({});
    if (field()->text().isEmpty() || textView()) {
        showCount(QString());
    } else if (found == 0) {
        showCount(tr("Not found"));
    } else if (current_ < 0) {
        showCount(tr("%n match(es)", nullptr, found));
    } else {
        showCount(tr("%1 of %2").arg(current_ + 1).arg(found));
    }
}

} // namespace korvex
