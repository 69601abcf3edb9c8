// Times the output console with a report of 100,000 broken aliases: showing it as a finished
// scan does (from the report's UTF-8 bytes), stepping the font size once (each including the
// repaint that follows), and taking the save snapshot.
// Runs offscreen unless told otherwise; settings go to a temporary folder.
#include "FilePanels.h"
#include "ViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korvex;

namespace {

class NoPanels : public FilePanels {
public:
    void beginOpenPanel(const OpenPanelRequest&, QWidget*, PanelCompletion) override {}
    void beginSavePanel(const SavePanelRequest&, QWidget*, PanelCompletion) override {}
};

QString reportOf(int lines) {
    QString text = QStringLiteral("Scan of all Finder Aliases in the folder /mnt/archive:\n\n"
                                  "Aliases found broken:\n");
    for (int i = 0; i < lines; ++i) {
        text +=
            QStringLiteral("/mnt/archive/Projects/%1/client-%2/Alias to Pr\u00e4sentation %3.key\n")
                .arg(2000 + i % 25)
                .arg(i % 997, 4, 10, QLatin1Char('0'))
                .arg(i, 6, 10, QLatin1Char('0'));
    }
    text += QStringLiteral("\nFound %1 broken Aliases, and rewrote 0, out of %1 scanned in "
                           "/mnt/archive\nChecked at Sunday, 6 December 2026 at 21:00:00")
                .arg(lines);
    return text;
}

template <typename Step> double milliseconds(ViewController& view, Step step) {
    QElapsedTimer timer;
    timer.start();
    step();
    view.findChild<QPlainTextEdit*>(QStringLiteral("outputTextbox"))->viewport()->repaint();
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());

    constexpr int lines = 100000;
    constexpr int rounds = 5;
    const QString report = reportOf(lines);
    auto finished = std::make_shared<ScanReport>();
    finished->reportText = report.toStdString();

    std::vector<double> show, bigger, smaller, snapshot;
    for (int round = 0; round < rounds; ++round) {
        ViewController view(
            [](std::vector<PathMapping>) { return std::unique_ptr<AliasPlatform>(); },
            std::make_shared<NoPanels>());
        view.resize(900, 600);
        view.show();
        QCoreApplication::processEvents();
        show.push_back(milliseconds(
            view, [&] { static_cast<korvex::ScanAnswers&>(view).scanFinished(finished); }));
        bigger.push_back(milliseconds(view, [&] { view.incFontSize(); }));
        smaller.push_back(milliseconds(view, [&] { view.decFontSize(); }));
        QString copy;
        snapshot.push_back(milliseconds(view, [&] { copy = view.outputString(); }));
        if (copy.size() != report.size()) {
            std::fprintf(stderr, "snapshot differs from the report shown\n");
            return 1;
        }
    }
    std::printf("report: %d lines, %lld characters; median of %d rounds (max)\n", lines,
                static_cast<long long>(report.size()), rounds);
    auto line = [](const char* what, const std::vector<double>& values) {
        std::printf("  %-28s %8.1f ms  (%.1f ms)\n", what, median(values),
                    *std::max_element(values.begin(), values.end()));
    };
    line("scanFinished (show report)", show);
    line("incFontSize (one step)", bigger);
    line("decFontSize (one step)", smaller);
    line("save snapshot", snapshot);
    return 0;
}
