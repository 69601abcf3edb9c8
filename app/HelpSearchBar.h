#pragma once

#include <QPdfLink>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPdfDocument;
class QPdfSearchModel;

namespace korvex {

/// The help window's find bar: a field, previous and next buttons and "N of M". Searches the
/// whole manual (QPdfSearchModel, which finds the matches page by page in the background) and
/// names each match it steps to through `resultChosen`.
class HelpSearchBar : public QWidget {
    Q_OBJECT
public:
    explicit HelpSearchBar(QWidget* parent = nullptr);
    ~HelpSearchBar() override;

    void setDocument(QPdfDocument* document);
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
    void updateCount();

    QLineEdit* field_;
    QLabel* count_;
    QPdfSearchModel* model_;
    int current_ = -1;
};

} // namespace korvex
