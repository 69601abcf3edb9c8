#include "FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

namespace korvex {

namespace {

/// Selects the next (or, `by` < 0, the previous) match of `wanted` in `view`, going round the
/// end: from the last match on to the first again. Answers whether there is one.
template <typename View> bool findIn(View* view, const QString& wanted, int by) {
    const QTextDocument::FindFlags flags =
        by < 0 ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (view->find(wanted, flags)) {
        return true;
    }
    const QTextCursor before = view->textCursor();
    QTextCursor cursor = before;
    cursor.movePosition(by < 0 ? QTextCursor::End : QTextCursor::Start);
    view->setTextCursor(cursor);
    if (view->find(wanted, flags)) {
        return true;
    }
    view->setTextCursor(before); // nothing found: the reader's place stays
    return false;
}

} // namespace

FindBar::FindBar(const QString& placeholder, QWidget* parent)
    : QWidget(parent), field_(new QLineEdit(this)), count_(new QLabel(this)) {
    field_->setObjectName(QStringLiteral("findField"));
    field_->setPlaceholderText(placeholder);
    field_->setAccessibleName(tr("Find"));
    field_->setAccessibleDescription(placeholder);
    field_->setClearButtonEnabled(true);
    for (QToolButton* clear : field_->findChildren<QToolButton*>()) {
        clear->setAccessibleName(tr("Clear the find field"));
    }
    field_->installEventFilter(this);
    auto* previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setToolTip(tr("Previous match (Shift+Return, Shift+F3)"));
    auto* next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setToolTip(tr("Next match (Return, F3)"));
    count_->setObjectName(QStringLiteral("findCount"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(field_, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(count_);

    connect(field_, &QLineEdit::returnPressed, this, &FindBar::findNext);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
}

FindBar::~FindBar() = default;

QString FindBar::countText() const {
    return count_->text();
}

void FindBar::setTextView(QAbstractScrollArea* view) {
    textView_ = view;
    showCount(QString());
}

void FindBar::activate() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void FindBar::findNext() {
    step(1);
}

void FindBar::findPrevious() {
    step(-1);
}

void FindBar::step(int by) {
    const QString wanted = field_->text();
    if (wanted.isEmpty() || !textView_) {
        return;
    }
    bool found = false;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(textView_)) {
        found = findIn(plain, wanted, by);
    } else if (auto* rich = qobject_cast<QTextEdit*>(textView_)) {
        found = findIn(rich, wanted, by);
    }
    showCount(found ? QString() : tr("Not found"));
}

void FindBar::showCount(const QString& text) {
    count_->setText(text);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept(); // Escape here closes the bar, not the window, nor stops a scan
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
