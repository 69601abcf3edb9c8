#include "HelpViewController.h"
#include "HelpPdfView.h"
#include "HelpSearchBar.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QPdfView>
#include <QPdfWriter>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeView>
#include <QtTest>

using korvex::HelpPdfView;
using korvex::HelpViewController;

namespace {

// Whether the view's picture shows `colour` anywhere in `area`.
bool showsColour(QWidget* viewport, QRect area, QColor colour) {
    const QImage picture = viewport->grab().toImage();
    area &= picture.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (picture.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class HelpViewControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString manual;

    static void pointAt(const QString& path) {
        HelpViewController::setManualLocator([path] { return path; });
    }
    // Writes a small PDF of `pages` pages.
    static void writePdf(const QString& path, int pages) {
        QPdfWriter writer(path);
        QPainter painter(&writer);
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                writer.newPage();
            painter.drawText(200, 400, QStringLiteral("Page %1").arg(page + 1));
        }
    }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    static void showAgain(QWidget& view) {
        view.hide();
        view.show();
    }

private slots:
    void init() {
        manual = dir.filePath(QStringLiteral("KorvexHelp.pdf"));
        QFile::remove(manual);
        pointAt(manual);
    }

    void missingManualKeepsTheViewAsItWasWithoutAMessage() {
        pointAt(QString());
        HelpViewController view;
        const auto windowsBefore = QApplication::topLevelWidgets().size();
        view.show();
        QVERIFY(!view.thePDFDocument() && !view.helpPDFView()->document());
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);

        writePdf(manual, 2);
        pointAt(manual);
        showAgain(view);
        QPdfDocument* shown = view.thePDFDocument();
        QVERIFY(shown);
        pointAt(QString());
        showAgain(view);
        QCOMPARE(view.thePDFDocument(), shown);
        QCOMPARE(view.helpPDFView()->document(), shown);
    }

    void aChangedManualIsLoadedAgainAndANonPdfEmptiesTheView() {
        writePdf(manual, 1);
        HelpViewController view;
        view.show();
        QCOMPARE(view.thePDFDocument()->pageCount(), 1);
        QCOMPARE(view.helpPDFView()->zoomMode(), QPdfView::ZoomMode::FitToWidth);
        // The same file: nothing is loaded again, the place stays.
        QPdfDocument* first = view.thePDFDocument();
        showAgain(view);
        QCOMPARE(view.thePDFDocument(), first);
        writePdf(manual, 3);
        showAgain(view);
        QCOMPARE(view.thePDFDocument()->pageCount(), 3);
        QCOMPARE(view.helpPDFView()->document(), view.thePDFDocument());
        for (const char* bytes : {"not a manual\n", "", "%PDF-1.4\n%%EOF truncated"}) {
            writeFile(manual, bytes);
            showAgain(view);
            QVERIFY2(!view.thePDFDocument() && !view.helpPDFView()->document(), bytes);
        }
    }

    void manualIsFoundBesideTheProgramThenUnderShareThenInstalled() {
        const QString bin = dir.filePath("bin"), share = dir.filePath("share/korvex"),
                      installed = dir.filePath("usr/share/korvex");
        // A folder of the manual's name is no manual.
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(share) &&
                QDir().mkpath(installed + "/KorvexHelp.pdf"));
        QCOMPARE(HelpViewController::locateManual(bin, installed), QString());

        for (const QString& folder : {share, bin}) {
            writePdf(folder + "/KorvexHelp.pdf", 1);
            QCOMPARE(HelpViewController::locateManual(bin, installed),
                     QFileInfo(folder + "/KorvexHelp.pdf").canonicalFilePath());
        }
    }

    void builtManualIsAReadableManyPagedA4Pdf() {
        QPdfDocument document;
        QCOMPARE(document.load(QStringLiteral(KORVEX_BUILT_MANUAL)), QPdfDocument::Error::None);
        QVERIFY(document.pageCount() >= 5);
        QCOMPARE(document.pagePointSize(0).toSize(), QSize(595, 842));
        QVERIFY(document.getAllText(0).text().contains(QStringLiteral("Korvex")));
    }

    void builtManualHasItsHeadingsAsContents() {
        // The headings are the outline, each pointing at the page it is printed on.
        pointAt(QStringLiteral(KORVEX_BUILT_MANUAL));
        HelpViewController view;
        view.show();
        QPdfBookmarkModel* outline = view.contentsModel();
        QCOMPARE(outline->rowCount(), 1); // the title, with every section below it
        const QModelIndex top = outline->index(0, 0);
        QVERIFY(outline->rowCount(top) >= 5);
        QVERIFY(view.contentsView()->isVisibleTo(&view));
        int lastPage = 0;
        for (int row = 0; row < outline->rowCount(top); ++row) {
            const QModelIndex section = outline->index(row, 0, top);
            const QString title = section.data(int(QPdfBookmarkModel::Role::Title)).toString();
            const int page = section.data(int(QPdfBookmarkModel::Role::Page)).toInt();
            QVERIFY2(page >= lastPage, qPrintable(title));
            QVERIFY2(view.thePDFDocument()->getAllText(page).text().simplified().contains(title),
                     qPrintable(title));
            lastPage = page;
        }
        // Choosing a section shows its page.
        const QModelIndex last = outline->index(outline->rowCount(top) - 1, 0, top);
        emit view.contentsView()->activated(last);
        QCOMPARE(view.helpPDFView()->placeAt(QPoint(0, 0)).page,
                 last.data(int(QPdfBookmarkModel::Role::Page)).toInt());
    }

    void findZoomAndPageKeys() {
        pointAt(QStringLiteral(KORVEX_BUILT_MANUAL));
        HelpViewController view;
        view.resize(640, 800);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        korvex::HelpSearchBar* search = view.searchBar();
        QVERIFY(!search->isVisible());
        QTest::keySequence(&view, QKeySequence::Find);
        QVERIFY(search->isVisible() && search->field()->hasFocus());
        QTest::keyClicks(search->field(), QStringLiteral("sidecar"));
        QTRY_VERIFY(search->model()->rowCount({}) >= 3);
        const int found = search->model()->rowCount({});
        QTest::keyClick(search->field(), Qt::Key_Return);
        QCOMPARE(search->currentResult(), 0);
        QCOMPARE(view.helpPDFView()->matchPage(), search->model()->resultAtIndex(0).page());
        QTest::keyClick(search->field(), Qt::Key_F3);
        QCOMPARE(search->currentResult(), 1);
        QTest::keyClick(search->field(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(search->field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(search->currentResult(), found - 1);     // round the start to the last match
        QTest::keyClick(search->field(), Qt::Key_Escape); // closes the bar, not the window
        QVERIFY(!search->isVisible() && view.isVisible());
        QCOMPARE(view.helpPDFView()->matchPage(), -1); // and the match is no longer marked
        QTest::keyClick(&view, Qt::Key_Escape);        // a window, not a dialog
        QVERIFY(view.isVisible());

        // Zoom: in, in, out, and back to the fitted page.
        QPdfView* pdf = view.helpPDFView();
        QTest::keySequence(&view, QKeySequence(Qt::CTRL | Qt::Key_Equal));
        QCOMPARE(pdf->zoomMode(), QPdfView::ZoomMode::Custom);
        const qreal once = pdf->zoomFactor();
        QTest::keySequence(&view, QKeySequence(Qt::CTRL | Qt::Key_Plus));
        QVERIFY(pdf->zoomFactor() > once);
        QTest::keySequence(&view, QKeySequence(Qt::CTRL | Qt::Key_Minus));
        QCOMPARE(pdf->zoomFactor(), once);
        QTest::keySequence(&view, QKeySequence(Qt::CTRL | Qt::Key_0));
        QCOMPARE(pdf->zoomMode(), QPdfView::ZoomMode::FitToWidth);

        // Home, End and the page keys move through the manual.
        QScrollBar* bar = pdf->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(bar->value(), bar->maximum());
        QTest::keyClick(&view, Qt::Key_PageUp);
        QVERIFY(bar->value() < bar->maximum());
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QVERIFY(bar->value() > 0);
    }

    void opensAsWideAsTheViewAtAReadableSize() {
        pointAt(QStringLiteral(KORVEX_BUILT_MANUAL));
        HelpViewController view;
        view.resize(980, 800); // the help window's size
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        HelpPdfView* pdf = view.helpPDFView();
        QCOMPARE(pdf->zoomMode(), QPdfView::ZoomMode::FitToWidth);
        // The page fills the width, and the text is near its printed size (the whole page
        // fitted in this view was about half of it).
        const QRect page = pdf->pageGeometry(0);
        const int margins = pdf->documentMargins().left() + pdf->documentMargins().right();
        QCOMPARE(page.width(), pdf->viewport()->width() - margins);
        const double scale = page.width() / (595.0 * pdf->logicalDpiX() / 72.0);
        QVERIFY2(scale >= 0.8, qPrintable(QString::number(scale)));
        // Where the view says a page is, it is drawn: white inside, the background around.
        const QImage picture = pdf->viewport()->grab().toImage();
        const int y = page.top() + 40;
        QCOMPARE(picture.pixelColor(page.left(), y), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(page.right(), y), QColor(Qt::white));
        QVERIFY(picture.pixelColor(page.left() - 2, y) != QColor(Qt::white));
        QVERIFY(picture.pixelColor(page.right() + 2, y) != QColor(Qt::white));
    }

    void zoomingKeepsThePlaceInView() {
        pointAt(QStringLiteral(KORVEX_BUILT_MANUAL));
        HelpViewController view;
        view.resize(980, 800);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        HelpPdfView* pdf = view.helpPDFView();
        // Qt's own jump to the top of page 4 is where the view says page 4 begins.
        pdf->pageNavigator()->jump(4, {}, pdf->zoomFactor());
        QCOMPARE(pdf->placeAt(QPoint(0, 0)).page, 4);
        const QPoint middle = pdf->viewport()->rect().center();
        const HelpPdfView::Place before = pdf->placeAt(middle);
        QCOMPARE(before.page, 4);
        for (const QKeySequence& key :
             {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Plus),
              QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(Qt::CTRL | Qt::Key_Minus),
              QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(Qt::CTRL | Qt::Key_0)}) {
            QTest::keySequence(&view, key);
            const HelpPdfView::Place after = pdf->placeAt(pdf->viewport()->rect().center());
            QCOMPARE(after.page, before.page);
            QVERIFY2(std::abs(after.point.y() - before.point.y()) < 4,
                     qPrintable(QStringLiteral("%1 -> %2 at zoom %3")
                                    .arg(before.point.y())
                                    .arg(after.point.y())
                                    .arg(pdf->zoomFactor())));
        }
    }

    void aFoundMatchIsMarkedAndInView() {
        pointAt(QStringLiteral(KORVEX_BUILT_MANUAL));
        HelpViewController view;
        view.resize(980, 800);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        HelpPdfView* pdf = view.helpPDFView();
        korvex::HelpSearchBar* search = view.searchBar();
        search->activate();
        search->field()->setText(QStringLiteral("undo-relink"));
        QTRY_VERIFY(search->model()->rowCount({}) >= 2);
        QVERIFY(!showsColour(pdf->viewport(), pdf->viewport()->rect(), HelpPdfView::matchColor()));
        for (int step = 0; step < 2; ++step) {
            search->findNext();
            const QPdfLink result = search->model()->resultAtIndex(search->currentResult());
            QCOMPARE(pdf->matchPage(), result.page());
            const QList<QRectF> shown = pdf->matchInViewport();
            QVERIFY(!shown.isEmpty());
            for (const QRectF& box : shown)
                QVERIFY(QRectF(pdf->viewport()->rect()).contains(box));
            // The outline is drawn around the match, where the match is.
            const QRect around = shown.first().toAlignedRect().adjusted(-4, -4, 4, 4);
            QTRY_VERIFY(showsColour(pdf->viewport(), around, HelpPdfView::matchColor()));
        }
    }

    void theManualAsTextCanBeFoundInSelectedAndCopied() {
        pointAt(QStringLiteral(KORVEX_BUILT_MANUAL));
        HelpViewController view;
        view.show();
        QTabWidget* tabs = view.views();
        QVERIFY(tabs->isTabEnabled(1));
        tabs->setCurrentIndex(1);
        QTextBrowser* text = view.textView();
        QVERIFY(text->toPlainText().contains(QStringLiteral("korvex-scan")));
        QVERIFY(!text->toPlainText().contains(QStringLiteral("](")));

        // Find works in the text: the match is selected there.
        korvex::HelpSearchBar* search = view.searchBar();
        search->activate();
        search->field()->setText(QStringLiteral("--undo-relink"));
        QTest::keyClick(search->field(), Qt::Key_Return);
        QCOMPARE(text->textCursor().selectedText(), QStringLiteral("--undo-relink"));
        const int first = text->textCursor().position();
        QTest::keyClick(search->field(), Qt::Key_Return);
        QVERIFY(text->textCursor().position() != first);

        text->selectAll();
        text->copy();
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("korvex-scan")));

        // A manual with no text beside it has no text tab.
        writePdf(manual, 1);
        pointAt(manual);
        HelpViewController bare;
        bare.show();
        QVERIFY(!bare.views()->isTabEnabled(1));
    }

    void picturesBecomeTheirCaptionsInTheText() {
        QCOMPARE(HelpViewController::manualTextFromMarkdown(
                     QStringLiteral("Before.\n\n![The window](docs/window.png)\n\nAfter [a](#b).")),
                 QStringLiteral("Before.\n\n*(Picture: The window)*\n\nAfter [a](#b)."));
    }
};

QTEST_MAIN(HelpViewControllerTest)
#include "HelpViewControllerTest.moc"
