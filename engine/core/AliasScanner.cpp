#include "AliasScanner.h"

#include "DateText.h"
#include "PathOrder.h"
#include "PrintableText.h"
#include "ProgressPacer.h"
#include "VectorRegisters.h"

#include <exception>

namespace korvex {

std::string freshDataFailure(const ReadFailure& failure, const TextCatalog& catalog) {
    switch (failure.kind) {
    case ReadFailure::Kind::unreadable:
        return fillText(catalog.translate("AliasScanner", "its target couldn't be read: %1"),
                        {failure.reason()});
    case ReadFailure::Kind::gone:
        return catalog.translate("AliasScanner", "its target is no longer where it was found");
    case ReadFailure::Kind::damaged:
        break;
    }
    return catalog.translate("AliasScanner", "no bookmark data can be made for its target");
}

void AliasScanner::runScan(const ScanOptions& options, std::shared_ptr<ScanReport> report,
                           ScanResponder& responder, StopFlag stop, ScanProgress* progress) {
    // Whatever ran on this thread before may have left them in use; the scan is all small copies.
    VectorRegisters::clearUpperHalves();
    std::unique_ptr<FolderWalk> walk = platform_.openWalk(options.folderPath);
    if (!walk) {
        responder.folderNotFound();
        return;
    }
    stop_ = stop;
    catalog_ = options.catalog;
    walk->stopOn(stop.token());
    report->reportText = fillText(
        catalog_->translate("AliasScanner", "Scan of all Finder Aliases in the folder %1:\n\n"),
        {printable(options.folderPath)});

    ProgressPacer pacer(progress);
    WalkEntry entry;
    try {
        for (;;) {
            if (stop.requested()) {
                report->stopped = true;
                break;
            }
            if (!walk->next(entry)) {
                // A walk woken by the stop ends early, too.
                report->stopped = report->stopped || stop.requested();
                break;
            }
            examineItem(entry, options, *report);
            pacer.entry(entry.relativePath, report->aliasCount);
        }
    } catch (const std::exception&) {
        // Out of memory, or a fault of ours: the report of what was done is still the truth,
        // as long as it says that the scan did not get to the end.
        addProblem(
            catalog_->translate("AliasScanner", "Couldn't finish the scan: it stopped at %1"),
            item_.path, *report);
    }
    // Closed before the report is sorted: a stopped walk's look-ahead ends at once.
    walk.reset();
    stop_ = StopFlag();
    catalog_ = &TextCatalog::english();
    pacer.finish(report->aliasCount);
    closeReport(options, *report);
    responder.scanFinished(std::move(report));
}

void AliasScanner::closeReport(const ScanOptions& options, ScanReport& report) {
    sortPaths(report.brokenPaths); // the raw paths: names are escaped only as they are shown

    const TextCatalog& catalog = *options.catalog;
    std::string& text = report.reportText;
    // Room for the list at once (and the lines around it): grown by doubling, the text would
    // need its old and its new buffer at the same time, as large as the list itself.
    std::size_t listed = 0;
    for (const std::string& path : report.brokenPaths) {
        listed += path.size() + 1;
    }
    text.reserve(text.size() + listed + 1024);
    text += catalog.translate("AliasScanner", "Aliases found broken:\n");
    for (std::size_t i = 0; i < report.brokenPaths.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        appendPrintable(text, report.brokenPaths[i]);
    }
    text += "\n\n";
    if (report.stopped) {
        text += catalog.translate("AliasScanner", "Stopped before the end of the folder.\n");
    }
    text += fillText(catalog.translate("AliasScanner",
                                       "Found %n broken Aliases, and rewrote %1, out of %2 "
                                       "scanned in %3",
                                       nullptr, report.brokenCount),
                     {std::to_string(report.rewrittenCount), std::to_string(report.aliasCount),
                      printable(options.folderPath)});
    // The time stated is when the scan ended: taken after the walk and the sort.
    text += fillText(catalog.translate("AliasScanner", "\nChecked at %1"),
                     {currentDateText(catalog.language())});
}

void AliasScanner::addProblem(const std::string& pattern, std::string_view path,
                              ScanReport& report) {
    report.reportText += fillText(pattern, {printable(path)});
    report.reportText += '\n';
    ++report.problemCount;
}

void AliasScanner::addProblem(const std::string& pattern, std::string_view path,
                              std::string_view reason, ScanReport& report) {
    report.reportText += fillText(pattern, {printable(path), printable(reason)});
    report.reportText += '\n';
    ++report.problemCount;
}

void AliasScanner::examineItem(const WalkEntry& entry, const ScanOptions& options,
                               ScanReport& report) {
    catalog_ = options.catalog;
    if (entry.typeKnown && !entry.unreadableFolder && entry.type && *entry.type != aliasFileType) {
        return; // the walk's answer, which is the platform's: neither an alias nor a failure
    }
    platform_.itemUrl(entry, options.folderURL, item_);
    if (entry.unreadableFolder) {
        if (entry.folderError != 0) {
            addProblem(catalog_->translate("AliasScanner", "Couldn't read %1: %2"), item_.path,
                       ReadFailure::unreadable(entry.folderError).reason(), report);
        } else {
            addProblem(catalog_->translate("AliasScanner", "Couldn't read %1"), item_.path, report);
        }
        return;
    }

    const ReadResult<std::string_view> type = platform_.typeIdentifier(item_);
    if (!type) {
        // An entry the system would not let be examined may be an alias: it is no verdict,
        // and no silence either. It counts as an alias only once something says it is one.
        if (type.unreadable()) {
            addProblem(catalog_->translate("AliasScanner", "Couldn't read %1: %2"), item_.path,
                       type.failure().reason(), report);
        }
        return;
    }
    if (*type != aliasFileType) {
        return;
    }
    ++report.aliasCount;

    ReadResult<BookmarkData> data = platform_.readBookmarkData(item_);
    if (!data) {
        switch (data.failure().kind) {
        case ReadFailure::Kind::unreadable:
            // Refused by the system (permission, I/O error): whether it is broken is unknown.
            addProblem(catalog_->translate("AliasScanner", "Couldn't read %1: %2"), item_.path,
                       data.failure().reason(), report);
            break;
        case ReadFailure::Kind::damaged:
            // Data that is damaged, unknown or too large leads a Mac nowhere either: the alias
            // is broken, its sidecar says that nothing could be read.
            ++report.brokenCount;
            report.brokenPaths.push_back(item_.path);
            if (options.mark) {
                writeSidecar(item_, brokenSuffix, "nil\n", report);
            }
            break;
        case ReadFailure::Kind::gone:
            break; // removed since it was met: counted, nothing else to say of it
        }
        return;
    }

    bool isStale = true;
    ReadResult<FileUrl> resolved =
        platform_.resolveBookmarkData(*data, options.resolutionOptions, isStale);
    if (resolved.unreadable()) {
        // The system would not let a folder on the way be searched: the target may well be
        // there. Not broken, and not silent either.
        addProblem(catalog_->translate("AliasScanner", "Couldn't read the target of %1: %2"),
                   item_.path, resolved.failure().reason(), report);
        return;
    }
    if (!resolved) {
        ++report.brokenCount;
        report.brokenPaths.push_back(item_.path);
        if (options.mark) {
            markAlias(item_, *data, brokenSuffix, report);
        }
        return;
    }
    if (options.rewrite && platform_.refreshable(*data)) {
        refreshAlias(item_, item_.path, *resolved, *data, options, report);
    }
}

void AliasScanner::markAlias(const FileUrl& item, const BookmarkData& data, std::string_view suffix,
                             ScanReport& report) {
    writeSidecar(item, suffix, sidecarText(platform_.storedProperties(allPropertiesKey, data)),
                 report);
}

std::string AliasScanner::sidecarText(const std::optional<std::string>& properties) {
    std::string text = properties ? "Optional(" + *properties + ")" : std::string("nil");
    text += '\n';
    if (text.size() > sidecarTextLimit) {
        // Only a description as long as the platform's bound may have been cut there already.
        const bool whole = !properties || properties->size() < storedPropertiesLimit;
        const std::size_t length = text.size();
        std::size_t cut = sidecarTextLimit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut; // never in the middle of a UTF-8 sequence
        }
        text.resize(cut);
        text += std::string("\n[cut here: the description is ") + (whole ? "" : "at least ") +
                std::to_string(length) + " bytes long, the first " + std::to_string(cut) +
                " are written]\n";
    }
    return text;
}

bool AliasScanner::mayWrite(ScanReport& report) const {
    if (stop_.requested()) {
        report.stopped = true;
        return false;
    }
    return true;
}

void AliasScanner::writeSidecar(const FileUrl& item, std::string_view suffix, std::string_view text,
                                ScanReport& report) {
    if (!mayWrite(report)) {
        return;
    }
    if (const WriteResult written = platform_.writeText(text, item, suffix); !written) {
        std::string sidecarPath = item.path;
        sidecarPath += suffix;
        addProblem(catalog_->translate("AliasScanner", "Couldn't write %1: %2"), sidecarPath,
                   written.reason(*catalog_), report);
    }
}

void AliasScanner::refreshAlias(const FileUrl& item, const std::string& aliasPath,
                                const FileUrl& resolved, const BookmarkData& data,
                                const ScanOptions& options, ScanReport& report) {
    catalog_ = options.catalog;
    ReadResult<BookmarkData> fresh =
        platform_.makeBookmarkData(resolved, bookmarkCreationSuitableForBookmarkFile, data);
    if (!fresh) {
        addProblem(catalog_->translate("AliasScanner", "Couldn't refresh %1: %2"), aliasPath,
                   freshDataFailure(fresh.failure(), *catalog_), report);
        return;
    }
    // Fresh data equal to what the alias holds: nothing to write, and the sidecar keeps the
    // record of what was there before the last refresh that changed something.
    if (*fresh == data) {
        return;
    }
    if (options.mark) {
        markAlias(item, data, rewriteSuffix, report);
    }
    if (!mayWrite(report)) {
        return;
    }
    if (const WriteResult written = platform_.writeBookmarkData(*fresh, item); !written) {
        addProblem(catalog_->translate("AliasScanner", "Couldn't refresh %1: %2"), aliasPath,
                   written.reason(*catalog_), report);
        return;
    }
    ++report.rewrittenCount;
}

} // namespace korvex
