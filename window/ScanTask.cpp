#include "ScanTask.h"

#include "AliasScanner.h"
#include "GuiCall.h"
#include "PrintableText.h"
#include "ViewController.h"

namespace korvex {

namespace {

/// Posts the scan's one answer to the controller on the GUI thread.
class PostingResponder : public ScanResponder {
public:
    explicit PostingResponder(ViewController* controller) : controller_(controller) {}

    void scanFinished(std::shared_ptr<ScanReport> report) override {
        post([controller = controller_, report = std::move(report)] {
            controller->scanFinished(report);
        });
    }

    void folderNotFound() override {
        post([controller = controller_] { controller->folderNotFound(); });
    }

    bool answered() const { return answered_; }

private:
    void post(std::function<void()> call) {
        if (answered_) {
            return; // one answer per scan, whatever happens
        }
        answered_ = true;
        GuiCall::post(controller_, std::move(call));
    }

    ViewController* controller_;
    bool answered_ = false;
};

/// Posts the engine's progress to the controller; the engine already keeps it to about ten
/// calls a second, so each one is posted.
class PostingProgress : public ScanProgress {
public:
    explicit PostingProgress(ViewController* controller) : controller_(controller) {}

    void scanProgressed(const ScanProgressCounts& counts) override {
        GuiCall::post(controller_,
                      [controller = controller_, entries = counts.entries, aliases = counts.aliases,
                       folder = QString::fromStdString(printable(counts.folder))] {
                          controller->scanProgressed(entries, aliases, folder);
                      });
    }

private:
    ViewController* controller_;
};

} // namespace

ScanTask::ScanTask(PlatformFactory makePlatform, std::vector<PathMapping> mappings,
                   ScanOptions options, std::shared_ptr<ScanReport> report,
                   ViewController* controller, std::stop_token stop)
    : makePlatform_(std::move(makePlatform)), mappings_(std::move(mappings)),
      options_(std::move(options)), report_(std::move(report)), controller_(std::move(controller)),
      stop_(std::move(stop)) {
    setAutoDelete(true);
}

void ScanTask::run() {
    GuiCall::takeOver(this); // made on the GUI thread, handed over by the pool
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
