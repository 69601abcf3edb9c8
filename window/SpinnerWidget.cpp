#include "SpinnerWidget.h"

#include "AccessibleRole.h"

#include <QPainter>

namespace korvex {

namespace {
constexpr int spokes = 12;
constexpr int stepMilliseconds = 80;
} // namespace

SpinnerWidget::SpinnerWidget(QWidget* parent) : QWidget(parent) {
    AccessibleRole::set(this, QAccessible::Animation);
    timer_.setInterval(stepMilliseconds);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % spokes;
        update();
    });
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true); // the controls beside it stay put when it shows
    setSizePolicy(policy);
}

void SpinnerWidget::startAnimation() {
    timer_.start();
}

void SpinnerWidget::stopAnimation() {
    timer_.stop();
}

void SpinnerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor colour = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
        // The highlighted spoke is full colour; the ones behind it fade out.
        const int age = (step_ - i + spokes) % spokes;
        colour.setAlphaF(1.0 - age / qreal(spokes + 2));
        painter.setPen(QPen(colour, side / 10.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, side * 0.22), QPointF(0, side * 0.45));
        painter.rotate(360.0 / spokes);
    }
}

} // namespace korvex
