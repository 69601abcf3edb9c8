#pragma once

#include "AliasPlatform.h"
#include "ScanOptions.h"
#include "ScanProgress.h"
#include "ScanReport.h"
#include "ScanResponder.h"
#include "StopFlag.h"
#include "TextCatalog.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

/// Why no fresh bookmark data could be made for a refresh (see `makeBookmarkData`), in the words
/// of the report's "Couldn't refresh" line (in `catalog`'s language) and of the JSON report.
std::string freshDataFailure(const ReadFailure& failure,
                             const TextCatalog& catalog = TextCatalog::english());

/// Suffix of the sidecar file written beside a broken alias.
inline constexpr std::string_view brokenSuffix = "-korvex-broken.text";
/// Suffix of the sidecar file written beside an alias about to be refreshed.
inline constexpr std::string_view rewriteSuffix = "-korvex-rewrite.text";
/// The most text a sidecar file holds; a longer description is cut, and says so.
inline constexpr std::size_t sidecarTextLimit = 1 << 20;

/// The scan engine: walks a folder, classifies the aliases in it, marks and refreshes them and
/// composes the report. Reaches the disk only through its `AliasPlatform`. One scanner runs one
/// scan at a time; it keeps nothing from one scan to the next.
class AliasScanner {
public:
    explicit AliasScanner(AliasPlatform& platform) : platform_(platform) {}

    /// Runs one whole scan and answers `responder` exactly once, after the last write to
    /// `report`: `folderNotFound` when the folder can't be walked (the report stays untouched),
    /// else `scanFinished` with the finished report. An exception during the walk ends the
    /// walk with a "Couldn't finish the scan" line; the report of what was done still follows.
    /// `stop` is looked at between entries and right before every write: once it is
    /// requested, no further write starts (the one under way completes whole), no further
    /// entry is examined, the walk is closed (a wait in it ends) and the report of what was
    /// done answers, marked `stopped`. `progress`, when given, hears how far the walk has got
    /// (see `ScanProgress`).
    void runScan(const ScanOptions& options, std::shared_ptr<ScanReport> report,
                 ScanResponder& responder, StopFlag stop = {}, ScanProgress* progress = nullptr);

    /// Handles one walked entry: counts it when it is an alias, lists it when it is broken,
    /// marks and refreshes it as the options ask.
    /// A folder whose content could not be walked adds a "Couldn't read " line; so does an
    /// entry that the system did not let be examined (counted as an alias only when it is
    /// known to be one), and an alias whose data the system did not let be read (never
    /// broken: only data that was read and is damaged makes an alias broken), each with the
    /// system's reason after a colon. An alias whose target could not be looked for (a folder
    /// on the way that the system would not let be searched) adds a "Couldn't read the target
    /// of " line with the reason, and is not broken either.
    void examineItem(const WalkEntry& entry, const ScanOptions& options, ScanReport& report);

    /// Writes the sidecar file `item` + `suffix` holding the stored properties of `data`;
    /// a failure adds a "Couldn't write " line (with the reason) to the report. Like every write
    /// of the scan, it
    /// does not start once the scan's stop is requested (the report is then `stopped`).
    void markAlias(const FileUrl& item, const BookmarkData& data, std::string_view suffix,
                   ScanReport& report);

    /// The text of the sidecar of data whose stored properties are `properties` (none: "nil"),
    /// cut to `sidecarTextLimit` (saying so): exactly what `markAlias` writes.
    static std::string sidecarText(const std::optional<std::string>& properties);

    /// Writes fresh bookmark data for `resolved` into the alias at `item` (marking it first when
    /// the options ask); a failure adds a "Couldn't refresh " line (with the reason) to the
    /// report.
    void refreshAlias(const FileUrl& item, const std::string& aliasPath, const FileUrl& resolved,
                      const BookmarkData& data, const ScanOptions& options, ScanReport& report);

private:
    void closeReport(const ScanOptions& options, ScanReport& report);
    /// Adds the line `pattern` with `path` (shown printable) for %1 and `reason` (printable too)
    /// for %2.
    static void addProblem(const std::string& pattern, std::string_view path, ScanReport& report);
    static void addProblem(const std::string& pattern, std::string_view path,
                           std::string_view reason, ScanReport& report);
    void writeSidecar(const FileUrl& item, std::string_view suffix, std::string_view text,
                      ScanReport& report);
    /// Whether a write may start: false once the stop is requested (the report says so).
    bool mayWrite(ScanReport& report) const;

    AliasPlatform& platform_;
    FileUrl item_;  // reused from entry to entry
    StopFlag stop_; // of the scan under way
    // The language of the report under way: the options' of the last scan or entry.
    const TextCatalog* catalog_ = &TextCatalog::english();
};

} // namespace korvex
