#include "ScanTask.h"

#include "AliasScanner.h"
#include "GuiCall.h"
#include "PrintableText.h"

namespace korvex {

namespace {

/// Posts the scan's one answer on the GUI thread.
class PostingResponder : public ScanResponder {
public:
    PostingResponder(QObject* receiver, ScanAnswers* answers)
        : receiver_(receiver), answers_(answers) {}

    void scanFinished(std::shared_ptr<ScanReport> report) override {
        post([answers = answers_, report = std::move(report)] { answers->scanFinished(report); });
    }

    void folderNotFound() override {
        post([answers = answers_] { answers->folderNotFound(); });
    }

    bool answered() const { return answered_; }

private:
    void post(std::function<void()> call) {
        if (answered_) {
            return; // one answer per scan, whatever happens
        }
        answered_ = true;
        GuiCall::post(receiver_, std::move(call));
    }

    QObject* receiver_;
    ScanAnswers* answers_;
    bool answered_ = false;
};

/// Posts the engine's progress; the engine already keeps it to about ten calls a second, so
/// each one is posted.
class PostingProgress : public ScanProgress {
public:
    PostingProgress(QObject* receiver, ScanAnswers* answers)
        : receiver_(receiver), answers_(answers) {}

    void scanProgressed(const ScanProgressCounts& counts) override {
        GuiCall::post(receiver_,
                      [answers = answers_, entries = counts.entries, aliases = counts.aliases,
                       folder = QString::fromStdString(printable(counts.folder))] {
                          answers->scanProgressed(entries, aliases, folder);
                      });
    }

private:
    QObject* receiver_;
    ScanAnswers* answers_;
};

} // namespace

ScanTask::ScanTask(PlatformFactory makePlatform, std::vector<PathMapping> mappings,
                   ScanOptions options, std::shared_ptr<ScanReport> report, QObject* receiver,
                   ScanAnswers* answers, std::stop_token stop)
    : makePlatform_(std::move(makePlatform)), mappings_(std::move(mappings)),
      options_(std::move(options)), report_(std::move(report)), receiver_(receiver),
      answers_(answers), stop_(std::move(stop)) {
    setAutoDelete(true);
}

void ScanTask::run() {
    GuiCall::takeOver(this); // made on the GUI thread, handed over by the pool
    PostingResponder responder(receiver_, answers_);
    PostingProgress progress(receiver_, answers_);
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
