#include "HelpPdfView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace korvex {

HelpPdfView::HelpPdfView(QWidget* parent) : QPdfView(parent) {
    setPageMode(QPdfView::PageMode::MultiPage);
    connect(this, &QPdfView::documentChanged, this, &HelpPdfView::clearMatch);
}

// As QPdfView (Qt 6.4) sizes a page: at the screen's resolution, rounded to whole pixels, then
// zoomed or fitted.
QSize HelpPdfView::pageSize(int page) const {
    const QPdfDocument* pdf = document();
    if (!pdf || page < 0 || page >= pdf->pageCount())
        return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal resolution = (screen ? screen->logicalDotsPerInch() : 96.0) / 72.0;
    const QSizeF points = pdf->pagePointSize(page);
    const QMargins margins = documentMargins();
    switch (zoomMode()) {
    case ZoomMode::Custom:
        return (points * resolution * zoomFactor()).toSize();
    case ZoomMode::FitToWidth: {
        const QSize size = (points * resolution).toSize();
        if (size.width() <= 0)
            return size;
        return size * (qreal(viewport()->width() - margins.left() - margins.right()) /
                       qreal(size.width()));
    }
    case ZoomMode::FitInView: {
        const QSize room(viewport()->width() - margins.left() - margins.right(),
                         viewport()->height() - margins.top() - margins.bottom());
        return (points * resolution).toSize().scaled(room, Qt::KeepAspectRatio);
    }
    }
    return {};
}

QRect HelpPdfView::pageGeometry(int page) const {
    const QPdfDocument* pdf = document();
    if (!pdf || page < 0 || page >= pdf->pageCount())
        return {};
    int y = documentMargins().top();
    for (int before = 0; before < page; ++before)
        y += pageSize(before).height() + pageSpacing();
    const QSize size = pageSize(page);
    // Centred in the viewport while narrower than it, else after the left margin.
    const int x = std::max(documentMargins().left(), (viewport()->width() - size.width()) / 2);
    return QRect(QPoint(x, y), size);
}

QPointF HelpPdfView::scale(int page) const {
    const QSizeF points = document()->pagePointSize(page);
    const QSize size = pageSize(page);
    if (points.width() <= 0 || points.height() <= 0)
        return {1, 1};
    return {size.width() / points.width(), size.height() / points.height()};
}

HelpPdfView::Place HelpPdfView::placeAt(QPoint viewportPoint) const {
    const QPdfDocument* pdf = document();
    if (!pdf || pdf->pageCount() == 0)
        return {};
    const QPoint at =
        viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    // The page whose space (itself and the gap below it) holds the point; the last page
    // takes everything below it.
    int page = 0;
    QRect geometry = pageGeometry(0);
    int top = geometry.top();
    for (int next = 1; next < pdf->pageCount(); ++next) {
        top += geometry.height() + pageSpacing();
        if (at.y() < top)
            break;
        page = next;
        geometry = pageGeometry(next);
    }
    const QPointF factor = scale(page);
    return {page, QPointF((at.x() - geometry.left()) / factor.x(),
                          (at.y() - geometry.top()) / factor.y())};
}

QPointF HelpPdfView::viewportPointOf(const Place& place) const {
    if (!document() || place.page < 0 || place.page >= document()->pageCount())
        return {};
    const QRect geometry = pageGeometry(place.page);
    const QPointF factor = scale(place.page);
    return QPointF(geometry.left() + place.point.x() * factor.x() - horizontalScrollBar()->value(),
                   geometry.top() + place.point.y() * factor.y() - verticalScrollBar()->value());
}

void HelpPdfView::scrollPlaceTo(const Place& place, QPoint viewportPoint) {
    const QPointF now = viewportPointOf(place);
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setValue(horizontal->value() + qRound(now.x() - viewportPoint.x()));
    vertical->setValue(vertical->value() + qRound(now.y() - viewportPoint.y()));
}

void HelpPdfView::showMatch(int page, const QList<QRectF>& rectangles) {
    matchPage_ = page;
    // The search gives a box per letter: one outline per line of the match is enough.
    match_.clear();
    for (const QRectF& rectangle : rectangles) {
        const auto sameLine = [&rectangle](const QRectF& line) {
            return rectangle.center().y() >= line.top() && rectangle.center().y() <= line.bottom();
        };
        const auto line = std::find_if(match_.begin(), match_.end(), sameLine);
        if (line == match_.end())
            match_.append(rectangle);
        else
            *line = line->united(rectangle);
    }
    if (!rectangles.isEmpty()) {
        QRectF all;
        for (const QRectF& rectangle : rectangles)
            all = all.united(rectangle);
        const QRect shown = viewport()->rect();
        const QPointF centre = viewportPointOf({page, all.center()});
        // Scrolled to the middle of the view unless it is well inside it already.
        if (!shown.adjusted(0, shown.height() / 8, 0, -shown.height() / 8)
                 .contains(centre.toPoint()))
            scrollPlaceTo({page, all.center()}, shown.center());
    }
    viewport()->update();
}

void HelpPdfView::clearMatch() {
    matchPage_ = -1;
    match_.clear();
    viewport()->update();
}

QList<QRectF> HelpPdfView::matchInViewport() const {
    QList<QRectF> shown;
    if (!document() || matchPage_ < 0 || matchPage_ >= document()->pageCount())
        return shown;
    const QPointF factor = scale(matchPage_);
    for (const QRectF& rectangle : match_) {
        const QPointF topLeft = viewportPointOf({matchPage_, rectangle.topLeft()});
        shown.append(QRectF(
            topLeft, QSizeF(rectangle.width() * factor.x(), rectangle.height() * factor.y())));
    }
    return shown;
}

void HelpPdfView::paintEvent(QPaintEvent* event) {
    QPdfView::paintEvent(event);
    const QList<QRectF> shown = matchInViewport();
    if (shown.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, false);
    QColor fill = matchColor();
    fill.setAlpha(35); // the word stays readable under it
    for (const QRectF& rectangle : shown) {
        const QRectF around = rectangle.adjusted(-4, -3, 4, 3);
        painter.fillRect(around, fill);
        painter.setPen(QPen(matchColor(), 2));
        painter.drawRect(around);
    }
}

} // namespace korvex
