#pragma once

#include "ScanReport.h"

#include <memory>

namespace korvex {

/// What a scan answers to. A scan calls exactly one of these, exactly once, after its last
/// write to the report, on the scan's own thread: a window posts the answer to its GUI
/// thread, the command line acts on it at once.
class ScanResponder {
public:
    virtual ~ScanResponder() = default;

    /// The folder was walked; `report` holds the finished report.
    virtual void scanFinished(std::shared_ptr<ScanReport> report) = 0;

    /// The folder could not be walked; the report was not touched.
    virtual void folderNotFound() = 0;
};

} // namespace korvex
