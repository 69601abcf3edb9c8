#pragma once

#include "ScanReport.h"

#include <QString>
#include <QtGlobal>

#include <memory>

namespace korvex {

/// What a window's scan hands back, on the GUI thread: exactly one of `scanFinished` and
/// `folderNotFound` per scan, after its last change to the report, and progress before that.
class ScanAnswers {
public:
    virtual ~ScanAnswers() = default;

    virtual void scanFinished(const std::shared_ptr<ScanReport>& report) = 0;
    virtual void folderNotFound() = 0;
    /// How far the scan has got: entries examined, Finder aliases met, the folder being read
    /// (printable; empty when none is worth naming).
    virtual void scanProgressed(qint64 entries, qint64 aliases, const QString& folder) = 0;

protected:
    ScanAnswers() = default;
    ScanAnswers(const ScanAnswers&) = default;
    ScanAnswers& operator=(const ScanAnswers&) = default;
};

} // namespace korvex
