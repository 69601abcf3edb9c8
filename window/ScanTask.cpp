#include "ScanTask.h"

#include "AliasScanner.h"
#include "ViewController.h"

#include <QCoreApplication>

namespace korvex {

namespace {

/// Posts the scan's one answer to the GUI thread. The controller pointer is only read there.
class PostingResponder : public ScanResponder {
public:
    explicit PostingResponder(QPointer<ViewController> controller)
        : controller_(std::move(controller)) {}

    void scanFinished(std::shared_ptr<ScanReport> report) override {
        post([controller = controller_, report = std::move(report)] {
            if (controller) {
                controller->scanFinished(report);
            }
        });
    }

    void folderNotFound() override {
        post([controller = controller_] {
            if (controller) {
                controller->folderNotFound();
            }
        });
    }

    bool answered() const { return answered_; }

private:
    template <typename Call> void post(Call call) {
        if (answered_) {
            return; // one answer per scan, whatever happens
        }
        answered_ = true;
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
        }
    }

    QPointer<ViewController> controller_;
    bool answered_ = false;
};

/// Posts the engine's progress to the GUI thread; the engine already keeps it to about ten
/// calls a second, so each one is posted.
class PostingProgress : public ScanProgress {
public:
    explicit PostingProgress(QPointer<ViewController> controller)
        : controller_(std::move(controller)) {}

    void scanProgressed(const ScanProgressCounts& counts) override {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) {
            return;
        }
        QMetaObject::invokeMethod(
            app,
            [controller = controller_, entries = counts.entries, aliases = counts.aliases,
             folder = QString::fromUtf8(counts.folder.data(), qsizetype(counts.folder.size()))] {
                if (controller) {
                    controller->scanProgressed(entries, aliases, folder);
                }
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<ViewController> controller_;
};

} // namespace

ScanTask::ScanTask(PlatformFactory makePlatform, std::vector<PathMapping> mappings,
                   ScanOptions options, std::shared_ptr<ScanReport> report,
                   QPointer<ViewController> controller, std::stop_token stop)
    : makePlatform_(std::move(makePlatform)), mappings_(std::move(mappings)),
      options_(std::move(options)), report_(std::move(report)), controller_(std::move(controller)),
      stop_(std::move(stop)) {
    setAutoDelete(true);
}

void ScanTask::run() {
    PostingResponder responder(controller_);
    PostingProgress progress(controller_);
    try {
        std::unique_ptr<AliasPlatform> platform =
            makePlatform_ ? makePlatform_(std::move(mappings_)) : nullptr;
        if (platform) {
            AliasScanner scanner(*platform);
            scanner.runScan(options_, report_, responder, stop_, &progress);
        }
    } catch (...) {
        // Out of memory or a platform that threw: the window must still get its controls
        // back, and an exception must never leave a pool thread.
    }
    if (!responder.answered()) {
        responder.folderNotFound();
    }
}

} // namespace korvex
