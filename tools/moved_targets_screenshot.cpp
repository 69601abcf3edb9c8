// moved_targets_screenshot: makes a small shared folder whose aliases broke in the usual ways,
// scans it in a main window, opens Find Moved Targets and saves a picture of the dialog.
//
//     moved_targets_screenshot FOLDER OUTPUT.png      (FOLDER must not exist yet)
//
// Run it under xvfb-run (or QT_QPA_PLATFORM=offscreen).

#include "BookmarkWriter.h"
#include "FilePanels.h"
#include "MovedTargetsController.h"
#include "MovedTargetsDialog.h"
#include "PosixAliasPlatform.h"
#include "ViewController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTableView>

#include <cstdio>

namespace {

struct NoPanels : korvex::FilePanels {
    void beginOpenPanel(const korvex::OpenPanelRequest&, QWidget*,
                        korvex::PanelCompletion) override {}
    void beginSavePanel(const korvex::SavePanelRequest&, QWidget*,
                        korvex::PanelCompletion) override {}
};

bool put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool alias(const QString& path, const QString& stored, const QString& volume = "/",
           const QString& volumeName = "Macintosh HD") {
    korvex::bookmark::BookmarkInfo info;
    for (const QString& part : stored.split('/', Qt::SkipEmptyParts)) {
        info.pathComponents.push_back(part.toStdString());
    }
    info.volumePath = volume.toStdString();
    info.volumeName = volumeName.toStdString();
    info.resourceProps = std::array<std::uint64_t, 3>{0x1, 0x21F, 0x21F};
    const std::vector<std::uint8_t> bytes = korvex::bookmark::BookmarkWriter::write(
        info, korvex::bookmark::BookmarkContainer::aliasFile);
    return put(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<qsizetype>(bytes.size())));
}

void settle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 || QFileInfo::exists(args.at(0))) {
        std::fprintf(stderr, "usage: moved_targets_screenshot NEW-FOLDER OUTPUT.png\n");
        return 2;
    }
    const QString s = QDir::cleanPath(QDir(args.at(0)).absolutePath());
    // The Mac's volume "Archive" now lives in Archive 2024; a folder was renamed; a file moved;
    // two Notes.txt; one deleted.
    for (const char* file :
         {"Archive 2024/Projects/Budget.xlsx", "Archive 2024/Projects/Plan.pdf",
          "Archive 2024/Photos/Team.jpg", "Reports 2023/Q3.pdf", "Clients/Done/Contract.pdf",
          "Notes/Notes.txt", "Old Notes/Notes.txt"}) {
        put(s + "/" + QString::fromUtf8(file), "x");
    }
    const QString aliases = s + "/Aliases/";
    alias(aliases + "Budget alias", "/Volumes/Archive/Projects/Budget.xlsx", "/Volumes/Archive",
          "Archive");
    alias(aliases + "Plan alias", "/Volumes/Archive/Projects/Plan.pdf", "/Volumes/Archive",
          "Archive");
    alias(aliases + "Team alias", "/Volumes/Archive/Photos/Team.jpg", "/Volumes/Archive",
          "Archive");
    alias(aliases + "Q3 alias", s + "/Old Reports/Q3.pdf");
    alias(aliases + "Contract alias", s + "/Clients/Contract.pdf");
    alias(aliases + "Notes alias", s + "/Notes.txt");
    alias(aliases + "Minutes alias", s + "/Minutes.txt");

    korvex::ViewController view(
        [](std::vector<korvex::PathMapping> mappings) {
            return std::make_unique<korvex::PosixAliasPlatform>(std::move(mappings));
        },
        std::make_shared<NoPanels>());
    view.resize(900, 500);
    view.show();
    view.startScan(korvex::fileUrlWithPath(s.toStdString(), true));
    QElapsedTimer clock;
    clock.start();
    while (view.isScanning() && clock.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    auto* movedTargets = view.findChild<korvex::MovedTargetsController*>();
    view.findMovedTargets();
    while (!movedTargets->dialog() && clock.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    korvex::MovedTargetsDialog* dialog = movedTargets->dialog();
    if (!dialog) {
        std::fprintf(stderr, "moved_targets_screenshot: no dialog\n");
        return 1;
    }
    dialog->resize(1060, 460);
    dialog->table->resizeColumnsToContents();
    settle(800);
    if (!dialog->grab().save(args.at(1))) {
        std::fprintf(stderr, "moved_targets_screenshot: can't write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
