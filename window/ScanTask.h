#pragma once

#include "PlatformFactory.h"
#include "ScanOptions.h"
#include "ScanReport.h"

#include <QPointer>
#include <QRunnable>

#include <memory>
#include <stop_token>

namespace korvex {

class ViewController;

/// One scan as a job of a window's thread pool. It makes its own platform, runs the scan to
/// its end and posts exactly one answer to the GUI thread as a queued call. The answer reaches
/// the controller only if the controller still exists then; the scan itself never depends on
/// the window; the window ends it early through `stop` (its Stop button, or closing it).
/// Progress is posted to the controller as the engine tells it (about ten times a second).
class ScanTask : public QRunnable {
public:
    /// `mappings`: the path mappings read when the scan started, for its platform.
    ScanTask(PlatformFactory makePlatform, std::vector<PathMapping> mappings, ScanOptions options,
             std::shared_ptr<ScanReport> report, QPointer<ViewController> controller,
             std::stop_token stop = {});

    void run() override;

private:
    PlatformFactory makePlatform_;
    std::vector<PathMapping> mappings_;
    ScanOptions options_;
    std::shared_ptr<ScanReport> report_;
    QPointer<ViewController> controller_;
    std::stop_token stop_;
};

} // namespace korvex
