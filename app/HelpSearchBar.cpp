#include "HelpSearchBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPdfSearchModel>
#include <QTextEdit>
#include <QToolButton>

namespace korvex {

HelpSearchBar::HelpSearchBar(QWidget* parent)
    : QWidget(parent), field_(new QLineEdit(this)), count_(new QLabel(this)),
      model_(new QPdfSearchModel(this)) {
    field_->setPlaceholderText(tr("Find in the manual"));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);
    auto* previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setToolTip(tr("Previous match (Shift+Return, Shift+F3)"));
    auto* next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setToolTip(tr("Next match (Return, F3)"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(field_, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(count_);

    connect(field_, &QLineEdit::textChanged, this, [this](const QString& text) {
        current_ = -1;
        model_->setSearchString(text);
        updateCount();
    });
    connect(field_, &QLineEdit::returnPressed, this, &HelpSearchBar::findNext);
    connect(previous, &QToolButton::clicked, this, &HelpSearchBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &HelpSearchBar::findNext);
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
    text_ = text;
    updateCount();
}

void HelpSearchBar::activate() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void HelpSearchBar::findNext() {
    step(1);
}

void HelpSearchBar::findPrevious() {
    step(-1);
}

void HelpSearchBar::step(int by) {
    if (text_) {
        stepInText(by);
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

void HelpSearchBar::stepInText(int by) {
    const QString wanted = field_->text();
    if (wanted.isEmpty())
        return;
    const QTextDocument::FindFlags flags =
        by < 0 ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    // Round the end: from the last match on to the first again.
    bool found = text_->find(wanted, flags);
    if (!found) {
        QTextCursor cursor = text_->textCursor();
        cursor.movePosition(by < 0 ? QTextCursor::End : QTextCursor::Start);
        text_->setTextCursor(cursor);
        found = text_->find(wanted, flags);
    }
    count_->setText(found ? QString() : tr("Not found"));
}

void HelpSearchBar::updateCount() {
    const int found = model_->rowCount({});
    if (field_->text().isEmpty() || text_) {
        count_->clear();
    } else if (found == 0) {
        count_->setText(tr("Not found"));
    } else if (current_ < 0) {
        count_->setText(tr("%n match(es)", nullptr, found));
    } else {
        count_->setText(tr("%1 of %2").arg(current_ + 1).arg(found));
    }
}

bool HelpSearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept(); // Escape here closes the bar, not the window
        return true;
    }
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            hide();
            emit dismissed();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ShiftModifier)) {
            findPrevious();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korvex
