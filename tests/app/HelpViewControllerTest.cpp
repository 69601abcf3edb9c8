#include "HelpViewController.h"
#include "HelpSearchBar.h"

#include <QApplication>
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
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using korvex::HelpViewController;

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

    void everyShowLoadsTheFileAgainAndANonPdfEmptiesTheView() {
        writePdf(manual, 1);
        HelpViewController view;
        view.show();
        QCOMPARE(view.thePDFDocument()->pageCount(), 1);
        QCOMPARE(view.helpPDFView()->zoomMode(), QPdfView::ZoomMode::FitInView);
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
        QCOMPARE(view.helpPDFView()->pageNavigator()->currentPage(),
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
        QCOMPARE(view.helpPDFView()->pageNavigator()->currentPage(),
                 search->model()->resultAtIndex(0).page());
        QTest::keyClick(search->field(), Qt::Key_F3);
        QCOMPARE(search->currentResult(), 1);
        QTest::keyClick(search->field(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(search->field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(search->currentResult(), found - 1);     // round the start to the last match
        QTest::keyClick(search->field(), Qt::Key_Escape); // closes the bar, not the window
        QVERIFY(!search->isVisible() && view.isVisible());

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
        QCOMPARE(pdf->zoomMode(), QPdfView::ZoomMode::FitInView);

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
};

QTEST_MAIN(HelpViewControllerTest)
#include "HelpViewControllerTest.moc"
