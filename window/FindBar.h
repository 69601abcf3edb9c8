#pragma once

#include <QWidget>

class QAbstractScrollArea;
class QLabel;
class QLineEdit;

namespace korvex {

/// A find bar: a field, Previous and Next buttons and a word on what was found. Return finds
/// the next match, Shift+Return the one before; Escape in the field hides the bar. It finds in
/// the text view it is given (a QPlainTextEdit or a QTextEdit), selecting each match there and
/// going round the end; a subclass can find elsewhere by overriding `step`.
class FindBar : public QWidget {
    Q_OBJECT
public:
    /// `placeholder`: what the empty field says it finds in.
    explicit FindBar(const QString& placeholder, QWidget* parent = nullptr);
    ~FindBar() override;

    QLineEdit* field() const { return field_; }
    /// What the bar says of the last search ("Not found", "2 of 5"), empty when nothing.
    QString countText() const;
    /// Finds in `view` (QPlainTextEdit or QTextEdit) from now on; null: in none.
    void setTextView(QAbstractScrollArea* view);
    QAbstractScrollArea* textView() const { return textView_; }
    /// Shows the bar and puts the cursor in its field, the text selected.
    void activate();

public slots:
    void findNext();
    void findPrevious();

signals:
    /// Escape in the field: the bar has hidden itself.
    void dismissed();

protected:
    /// Steps `by` (1 or -1) matches from the one shown; in the text view unless overridden.
    virtual void step(int by);
    void showCount(const QString& text);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* field_;
    QLabel* count_;
    QAbstractScrollArea* textView_ = nullptr;
};

} // namespace korvex
