#pragma once

#include "AliasScanner.h"
#include "MemoryAliasPlatform.h"

#include <sstream>
#include <string>
#include <vector>

namespace korvex::test {

/// Counts the answers of a scan.
struct CountingResponder : ScanResponder {
    int finished = 0;
    int notFound = 0;
    std::shared_ptr<ScanReport> report;
    void scanFinished(std::shared_ptr<ScanReport> r) override {
        ++finished;
        report = std::move(r);
    }
    void folderNotFound() override { ++notFound; }
};

/// Runs one scan of `platform.folder` (or `folder`) and keeps what it answered.
struct ScanRun {
    CountingResponder responder;
    std::shared_ptr<ScanReport> report = std::make_shared<ScanReport>();

    ScanRun(MemoryAliasPlatform& platform, bool mark = false, bool rewrite = false,
            std::string folder = "") {
        AliasScanner scanner(platform);
        ScanOptions options =
            scanOptionsForFolder(folder.empty() ? platform.folder : folder, mark, rewrite);
        scanner.runScan(options, report, responder);
    }

    /// The report split at every line feed.
    std::vector<std::string> lines() const {
        std::vector<std::string> result(1);
        for (char c : report->reportText)
            c == '\n' ? void(result.emplace_back()) : result.back().push_back(c);
        return result;
    }
};

} // namespace korvex::test
