#pragma once

#include "FindBar.h"

#include <QPdfLink>

class QPdfDocument;
class QPdfSearchModel;
class QTextEdit;

namespace korvex {

/// The help window's find bar (see FindBar): searches the whole manual (QPdfSearchModel, which
/// finds the matches page by page in the background), says "N of M", and names each match it
/// steps to through `resultChosen`. While a text view is set, it finds in that view instead,
/// selecting each match there.
class HelpSearchBar : public FindBar {
    Q_OBJECT
public:
    explicit HelpSearchBar(QWidget* parent = nullptr);
    ~HelpSearchBar() override;

    void setDocument(QPdfDocument* document);
    /// Finds in `text` from now on; none: in the PDF again.
    void setTextView(QTextEdit* text);
    QPdfSearchModel* model() const { return model_; }
    /// The match stepped to last, -1 before the first step.
    int currentResult() const { return current_; }

signals:
    void resultChosen(const QPdfLink& link);

protected:
    void step(int by) override;

private:
    void updateCount();

    QPdfSearchModel* model_;
    int current_ = -1;
};

} // namespace korvex
