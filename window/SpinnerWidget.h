#pragma once

#include <QTimer>
#include <QWidget>

namespace korvex {

/// A small busy spinner: twelve spokes, one highlighted, turned by a timer of the GUI event
/// loop (a scan runs on its own thread, so the loop stays free to turn it).
class SpinnerWidget : public QWidget {
    Q_OBJECT
public:
    explicit SpinnerWidget(QWidget* parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return timer_.isActive(); }

    QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int step_ = 0;
};

} // namespace korvex
