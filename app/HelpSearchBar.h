#pragma once

#include <QPdfLink>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPdfDocument;
class QPdfSearchModel;
class QTextEdit;

namespace korvex {

/// The help window's find bar: a field, previous and next buttons and "N of M". Searches the
/// whole manual (QPdfSearchModel, which finds the matches page by page in the background) and
/// names each match it steps to through `resultChosen`. While a text view is set, it finds in
/// that view instead, selecting each match there.
class HelpSearchBar : public QWidget {
    Q_OBJECT
public:
    explicit HelpSearchBar(QWidget* parent = nullptr);
    ~HelpSearchBar() override;

    void setDocument(QPdfDocument* document);
    /// Finds in `text` from now on; none: in the PDF again.
    void setTextView(QTextEdit* text);
    QLineEdit* field() const { return field_; }
    QPdfSearchModel* model() const { return model_; }
    /// The match stepped to last, -1 before the first step.
    int currentResult() const { return current_; }
    /// Shows the bar and puts the cursor in its field, the text selected.
    void activate();

public slots:
    void findNext();
    void findPrevious();

signals:
    void resultChosen(const QPdfLink& link);
    /// Escape in the field: the bar has hidden itself.
    void dismissed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int by);
    void stepInText(int by);
    void updateCount();

    QLineEdit* field_;
    QLabel* count_;
    QPdfSearchModel* model_;
    QTextEdit* text_ = nullptr;
    int current_ = -1;
};

} // namespace korvex
