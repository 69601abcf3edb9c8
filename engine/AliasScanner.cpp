#include "AliasScanner.h"

#include "DateText.h"
#include "PathOrder.h"
#include "ProgressPacer.h"

namespace korvex {

void AliasScanner::runScan(const ScanOptions& options, std::shared_ptr<ScanReport> report,
                           ScanResponder& responder, std::stop_token stop, ScanProgress* progress) {
    std::unique_ptr<FolderWalk> walk = platform_.openWalk(options.folderPath);
    if (!walk) {
        responder.folderNotFound();
        return;
    }
    report->reportText = "Scan of all Finder Aliases in the folder ";
    report->reportText += options.folderPath;
    report->reportText += ":\n\n";

    ProgressPacer pacer(progress);
    std::string_view relativePath;
    for (;;) {
        if (stop.stop_requested()) {
            report->stopped = true;
            break;
        }
        if (!walk->next(relativePath)) {
            break;
        }
        examineItem(relativePath, options, *report);
        pacer.entry(relativePath, report->aliasCount);
    }
    // Closed before the report is sorted: a stopped walk's look-ahead ends at once.
    walk.reset();
    pacer.finish(report->aliasCount);
    closeReport(options, *report);
    responder.scanFinished(std::move(report));
}

void AliasScanner::closeReport(const ScanOptions& options, ScanReport& report) {
    sortPaths(report.brokenPaths);

    std::string& text = report.reportText;
    text += "Aliases found broken:\n";
    for (std::size_t i = 0; i < report.brokenPaths.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += report.brokenPaths[i];
    }
    text += "\n\n";
    if (report.stopped) {
        text += "Stopped before the end of the folder.\n";
    }
    text += "Found ";
    text += std::to_string(report.brokenCount);
    text += " broken Aliases, and rewrote ";
    text += std::to_string(report.rewrittenCount);
    text += ", out of ";
    text += std::to_string(report.aliasCount);
    text += " scanned in ";
    text += options.folderPath;
    // The time stated is when the scan ended: taken after the walk and the sort.
    text += "\nChecked at ";
    text += currentDateText();
}

void AliasScanner::examineItem(std::string_view relativePath, const ScanOptions& options,
                               ScanReport& report) {
    platform_.itemUrl(relativePath, options.folderURL, item_);

    std::optional<std::string_view> type = platform_.typeIdentifier(item_);
    if (!type || *type != aliasFileType) {
        return;
    }
    ++report.aliasCount;

    std::optional<BookmarkData> data = platform_.readBookmarkData(item_);
    if (!data) {
        return;
    }

    bool isStale = true;
    std::optional<FileUrl> resolved =
        platform_.resolveBookmarkData(*data, options.resolutionOptions, isStale);
    if (!resolved) {
        ++report.brokenCount;
        report.brokenPaths.push_back(item_.path);
        if (options.mark) {
            markAlias(item_.path, *data, brokenSuffix, report);
        }
        return;
    }
    if (options.rewrite) {
        refreshAlias(item_, item_.path, *resolved, *data, options, report);
    }
}

void AliasScanner::markAlias(const std::string& aliasPath, const BookmarkData& data,
                             std::string_view suffix, ScanReport& report) {
    sidecarPath_.assign(aliasPath);
    sidecarPath_.append(suffix);

    std::optional<std::string> properties = platform_.storedProperties(allPropertiesKey, data);
    std::string text = properties ? "Optional(" + *properties + ")" : std::string("nil");
    text += '\n';

    if (!platform_.writeText(text, sidecarPath_)) {
        report.reportText += "Couldn't write ";
        report.reportText += sidecarPath_;
        report.reportText += '\n';
    }
}

void AliasScanner::refreshAlias(const FileUrl& item, const std::string& aliasPath,
                                const FileUrl& resolved, const BookmarkData& data,
                                const ScanOptions& options, ScanReport& report) {
    if (options.mark) {
        markAlias(aliasPath, data, rewriteSuffix, report);
    }
    std::optional<BookmarkData> fresh =
        platform_.makeBookmarkData(resolved, bookmarkCreationSuitableForBookmarkFile, data);
    if (!fresh || !platform_.writeBookmarkData(*fresh, item)) {
        report.reportText += "Couldn't refresh ";
        report.reportText += aliasPath;
        report.reportText += '\n';
        return;
    }
    ++report.rewrittenCount;
}

} // namespace korvex
