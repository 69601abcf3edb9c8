#include "HelpViewController.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfView>
#include <QPdfWriter>
#include <QTemporaryDir>
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
};

QTEST_MAIN(HelpViewControllerTest)
#include "HelpViewControllerTest.moc"
