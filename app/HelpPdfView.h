#pragma once

#include <QList>
#include <QPdfView>
#include <QPointF>
#include <QRectF>

namespace korvex {

/// The help window's page view: a QPdfView (all pages one below the other) that can mark a
/// found match and that knows where each page lies, so that zooming keeps the place in view
/// and a match can be scrolled to (Qt 6.4's view only jumps to the top of a page).
class HelpPdfView : public QPdfView {
    Q_OBJECT
public:
    /// A place in the document: a page and a point on it, in the page's points.
    struct Place {
        int page = -1;
        QPointF point;
    };

    explicit HelpPdfView(QWidget* parent = nullptr);

    /// Where `page` is drawn, in the view's document coordinates (before scrolling), laid out
    /// as QPdfView lays out its pages for the current zoom mode, zoom and viewport.
    QRect pageGeometry(int page) const;
    /// The place shown at `viewportPoint`; page -1 without a document.
    Place placeAt(QPoint viewportPoint) const;
    /// Where `place` is shown now, in viewport coordinates.
    QPointF viewportPointOf(const Place& place) const;
    /// Scrolls so that `place` is shown at `viewportPoint` (as far as the scroll bars go).
    void scrollPlaceTo(const Place& place, QPoint viewportPoint);

    /// Marks `rectangles` (points on `page`) as the match shown and scrolls it into view.
    void showMatch(int page, const QList<QRectF>& rectangles);
    void clearMatch();
    int matchPage() const { return matchPage_; }
    /// The match's rectangles in viewport coordinates; empty when there is none.
    QList<QRectF> matchInViewport() const;

    /// The colour a match is outlined with.
    static QColor matchColor() { return QColor(0xe6, 0x6a, 0x00); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize pageSize(int page) const;
    QPointF scale(int page) const;

    int matchPage_ = -1;
    QList<QRectF> match_;
};

} // namespace korvex
