#pragma once

#include "PlatformFactory.h"
#include "ScanOptions.h"
#include "ScanReport.h"

#include <QPointer>
#include <QRunnable>

#include <memory>

namespace korvex {

class ViewController;

/// One scan as a job of a window's thread pool. It makes its own platform, runs the scan to
/// its end and posts exactly one answer to the GUI thread as a queued call. The answer reaches
/// the controller only if the controller still exists then; the scan itself never depends on
/// the window, so closing it never cuts the scan short.
class ScanTask : public QRunnable {
public:
    /// `mappings`: the path mappings read when the scan started, for its platform.
    ScanTask(PlatformFactory makePlatform, std::vector<PathMapping> mappings, ScanOptions options,
             std::shared_ptr<ScanReport> report, QPointer<ViewController> controller);

    void run() override;

private:
    PlatformFactory makePlatform_;
    std::vector<PathMapping> mappings_;
    ScanOptions options_;
    std::shared_ptr<ScanReport> report_;
    QPointer<ViewController> controller_;
};

} // namespace korvex
