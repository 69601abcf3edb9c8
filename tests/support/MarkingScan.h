#pragma once

#include "AliasScanner.h"
#include "PosixAliasPlatform.h"
#include "ScanOptions.h"

#include <memory>
#include <string>

namespace korvex::test {

/// The report of a scan that marks the folder `root` with `threads` threads (the pool's started
/// at once, as if the disk were slow), on a platform that sees one ordinary file system; none
/// when the folder could not be walked.
inline std::shared_ptr<ScanReport> markingScan(const std::string& root, std::size_t threads) {
    class Outcome : public ScanResponder {
    public:
        void scanFinished(std::shared_ptr<ScanReport> finished) override { report = finished; }
        void folderNotFound() override { report.reset(); }
        std::shared_ptr<ScanReport> report;
    };
    const MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    PosixAliasPlatform platform({}, [mounts] { return mounts; });
    platform.setWalkThreads(threads, 0);
    Outcome outcome;
    AliasScanner(platform).runScan(scanOptionsForFolder(root, true, false),
                                   std::make_shared<ScanReport>(), outcome);
    return outcome.report;
}

} // namespace korvex::test
