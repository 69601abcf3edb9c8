// Main windows on a small screen at twice the scale: a 1600 x 1000 screen, 800 x 500 in the
// window's own units, where the first size of a window (760 x 520) doesn't fit.
#include "DocumentWindow.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

class ScreenFitTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clearSettings(); }

    void windowsFitTheScreenAtTwiceTheScale() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        QCOMPARE(screen->devicePixelRatio(), 2.0);
        QCOMPARE(screen->geometry().size(), QSize(800, 500));
        const QRect room = screen->availableGeometry();
        for (bool storedTooLarge : {false, true}) {
            if (storedTooLarge) {
                // Kept from a larger screen of the same name, or from before the scale changed.
                QWidget large;
                large.setGeometry(0, 0, 1500, 950);
                QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex"))
                    .setValue(QStringLiteral("windowGeometry/%1 800x500").arg(screen->name()),
                              large.saveGeometry());
            }
            DocumentWindow window(new ViewController(std::make_shared<ScanWorld>()->factory(),
                                                     std::make_shared<ScriptedPanels>()));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QRect outer = window.frameGeometry();
            QVERIFY2(room.contains(outer), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                          .arg(outer.x())
                                                          .arg(outer.y())
                                                          .arg(outer.width())
                                                          .arg(outer.height())));
        }
    }
};

int main(int argc, char** argv) {
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "Laptop", "x": 0, "y": 0, "width": 1600,
                       "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0) {
        return 2;
    }
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    useTemporarySettings();
    ScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScreenFitTest.moc"
