#include "HelpViewController.h"
#include "PdfFixture.h"

#include <QApplication>
#include <QDir>
#include <QPdfDocument>
#include <QPdfView>
#include <QTemporaryDir>
#include <QtTest>

using korvex::HelpViewController;

class HelpViewControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString manual;

    void pointAt(const QString& path) {
        HelpViewController::setManualLocator([path] { return path; });
    }

private slots:
    void init() {
        manual = dir.filePath(QStringLiteral("KorvexHelp.pdf"));
        QFile::remove(manual);
    }
    void cleanupTestCase() { HelpViewController::setManualLocator({}); }

    void missingManualKeepsTheViewAsItWasWithoutAMessage() {
        pointAt(QString());
        HelpViewController view;
        const int windowsBefore = QApplication::topLevelWidgets().size();
        view.show();
        QVERIFY(!view.thePDFDocument());
        QVERIFY(!view.helpPDFView()->document());
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);

        // Shown once with the manual, then the manual goes: the old pages stay.
        writePdf(manual, 2);
        pointAt(manual);
        view.hide();
        view.show();
        QPdfDocument* shown = view.thePDFDocument();
        QVERIFY(shown);
        pointAt(QString());
        view.hide();
        view.show();
        QCOMPARE(view.thePDFDocument(), shown);
        QCOMPARE(view.helpPDFView()->document(), shown);
    }

    void fileThatIsNotAPdfEmptiesTheView() {
        writePdf(manual, 1);
        pointAt(manual);
        HelpViewController view;
        view.show();
        QVERIFY(view.thePDFDocument());

        for (const QByteArray& bytes : {QByteArray("not a manual\n"), QByteArray(),
                                        QByteArray("%PDF-1.4\n%%EOF truncated")}) {
            writeFile(manual, bytes);
            view.hide();
            view.show();
            QVERIFY(!view.thePDFDocument());
            QVERIFY(!view.helpPDFView()->document());
        }
        pointAt(dir.filePath(QStringLiteral("gone.pdf")));
        view.hide();
        view.show();
        QVERIFY(!view.thePDFDocument());
    }

    void everyShowLoadsTheFileAgainFitToTheView() {
        writePdf(manual, 1);
        pointAt(manual);
        HelpViewController view;
        view.show();
        QCOMPARE(view.thePDFDocument()->pageCount(), 1);
        QCOMPARE(view.helpPDFView()->zoomMode(), QPdfView::ZoomMode::FitInView);

        writePdf(manual, 3);
        view.hide();
        view.show();
        QCOMPARE(view.thePDFDocument()->pageCount(), 3);
        QCOMPARE(view.helpPDFView()->document(), view.thePDFDocument());
    }

    void manualIsFoundBesideTheProgramThenUnderShareThenInstalled() {
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("bin"));
        const QString share = root.filePath(QStringLiteral("share/korvex"));
        const QString installed = root.filePath(QStringLiteral("usr/share/korvex"));
        for (const QString& folder : {bin, share, installed})
            QVERIFY(QDir().mkpath(folder));

        QCOMPARE(HelpViewController::locateManual(bin, installed), QString());
        // A folder of the manual's name is no manual.
        QVERIFY(QDir().mkpath(installed + "/KorvexHelp.pdf"));
        QCOMPARE(HelpViewController::locateManual(bin, installed), QString());

        writePdf(share + "/KorvexHelp.pdf", 1);
        QCOMPARE(HelpViewController::locateManual(bin, installed),
                 QFileInfo(share + "/KorvexHelp.pdf").canonicalFilePath());
        writePdf(bin + "/KorvexHelp.pdf", 1);
        QCOMPARE(HelpViewController::locateManual(bin, installed),
                 QFileInfo(bin + "/KorvexHelp.pdf").canonicalFilePath());
    }

    void builtManualIsAReadableManyPagedPdf() {
        QPdfDocument document;
        QCOMPARE(document.load(QStringLiteral(KORVEX_BUILT_MANUAL)), QPdfDocument::Error::None);
        QVERIFY(document.pageCount() >= 5);
        QCOMPARE(document.pagePointSize(0).toSize(), QSize(595, 842)); // A4
        QVERIFY(document.getAllText(0).text().contains(QStringLiteral("Korvex")));
    }
};

QTEST_MAIN(HelpViewControllerTest)
#include "HelpViewControllerTest.moc"
