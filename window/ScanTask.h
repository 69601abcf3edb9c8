#pragma once

#include "PlatformFactory.h"
#include "ScanAnswers.h"
#include "ScanOptions.h"
#include "ScanReport.h"

#include <QRunnable>

class QObject;

#include <memory>
#include <stop_token>

namespace korvex {

/// One scan as a job of a window's thread pool. It makes its own platform, runs the scan to
/// its end and posts exactly one answer to `answers` (a `GuiCall` to `receiver`, the GUI object
/// that is `answers`). Both outlive the task (the window stops the scan and waits for it as it
/// goes); an answer still pending when the receiver goes is dropped with it. The window ends the
/// scan early through `stop` (its Stop button, or closing it). Progress is posted the same way, as
/// the engine tells it (about ten times a second).
class ScanTask : public QRunnable {
public:
    /// `mappings`: the path mappings read when the scan started, for its platform.
    ScanTask(PlatformFactory makePlatform, std::vector<PathMapping> mappings, ScanOptions options,
             std::shared_ptr<ScanReport> report, QObject* receiver, ScanAnswers* answers,
             std::stop_token stop = {});

    void run() override;

private:
    PlatformFactory makePlatform_;
    std::vector<PathMapping> mappings_;
    ScanOptions options_;
    std::shared_ptr<ScanReport> report_;
    QObject* receiver_;
    ScanAnswers* answers_;
    std::stop_token stop_;
};

} // namespace korvex
