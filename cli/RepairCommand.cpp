#include "RepairCommand.h"

#include "AliasRepair.h"
#include "AliasScanner.h"
#include "CommandLine.h"
#include "JsonReport.h"
#include "PathOrder.h"
#include "PrintableText.h"
#include "RelinkSummary.h"
#include "RelinkUndo.h"

#include <ctime>
#include <map>

namespace korvex {

namespace {

constexpr std::size_t candidatesShown = 3;
/// Folders named when the one asked to undo has no relinks left.
constexpr std::size_t foldersNamed = 20;

std::string journalFile(const std::string& given) {
    return given.empty() ? RelinkJournal::defaultFilePath() : given;
}

class Outcome : public ScanResponder {
public:
    void scanFinished(std::shared_ptr<ScanReport> report) override { report_ = std::move(report); }
    void folderNotFound() override { report_.reset(); }
    std::shared_ptr<ScanReport> report_;
};

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

void writeSuggestions(std::ostream& out, const RepairResult& result, const TextCatalog& catalog) {
    out << catalog.translate("CommandLine", "\nPossible new targets:\n");
    const CandidateIndex& index = *result.index;
    std::map<std::string, std::size_t> byPath;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < index.aliases().size(); ++i) {
        if (!index.candidates(i).empty()) {
            byPath[index.aliases()[i].aliasPath] = i;
            paths.push_back(index.aliases()[i].aliasPath);
        }
    }
    sortPaths(paths); // in the order of the report's list
    for (const std::string& path : paths) {
        out << printable(path) << '\n';
        const std::vector<Candidate>& candidates = index.candidates(byPath[path]);
        for (std::size_t k = 0; k < candidates.size() && k < candidatesShown; ++k) {
            out << "  -> " << printable(candidates[k].path) << '\n';
        }
    }
    if (paths.empty()) {
        out << catalog.translate("CommandLine", "None found.\n");
    }
    for (const SuggestedMapping& suggestion : result.suggestions) {
        out << fillText(
            catalog.translate("CommandLine",
                              "Suggested path mapping: --map %1=%2 (fixes %n aliases)\n", nullptr,
                              suggestion.fixes),
            {printable(suggestion.mapping.macPrefix), printable(suggestion.mapping.localFolder)});
    }
}

} // namespace

RepairCommand::RepairCommand(const Arguments& arguments, std::string folder,
                             std::vector<PathMapping> mappings, std::string journalPath,
                             const TextCatalog& catalog)
    : arguments_(arguments), folder_(std::move(folder)), mappings_(std::move(mappings)),
      journalPath_(std::move(journalPath)), catalog_(catalog) {}

int RepairCommand::run(AliasPlatform& platform, ProgressLine& progress, const StopFlag& stop,
                       std::ostream& out, std::ostream& err) {
    // Opened before the walk: a relink reaches the aliases from this very folder.
    std::unique_ptr<AliasRelinker> relinker;
    if (arguments_.relink) {
        relinker = std::make_unique<AliasRelinker>(folder_);
    }
    ScanRecorder recorder(platform, folder_, arguments_.json);
    Outcome outcome;
    ScanOptions options = scanOptionsForFolder(folder_, arguments_.mark, arguments_.rewrite);
    options.catalog = &catalog_;
    const TextCatalog& catalog = catalog_;
    AliasScanner(recorder).runScan(options, std::make_shared<ScanReport>(), outcome, stop,
                                   progress.enabled() ? &progress : nullptr);
    recorder.finish();
    progress.finish();
    const std::shared_ptr<ScanReport> report = outcome.report_;
    if (!report) {
        err << catalog.translate("CommandLine", "Couldn't find that folder. Try again.\n");
        return 2;
    }

    std::optional<RepairResult> repair;
    // A stopped scan has not met every broken alias: nothing is searched or relinked then.
    if (!report->stopped && (arguments_.suggest || arguments_.relink)) {
        RepairRequest request;
        request.folder = folder_;
        request.mappings = mappings_;
        request.searchFolders = arguments_.searchFolders;
        request.relink = arguments_.relink;
        request.mark = arguments_.mark;
        request.journalPath = journalPath_;
        request.anyOwner = arguments_.anyOwner;
        request.threads = arguments_.threads;
        repair =
            AliasRepair::run(request, recorder, relinker.get(), MountTable::readSystem(), stop);
    }

    if (arguments_.json) {
        JsonReport::write(out, folder_, recorder.records(), *report, repair ? &*repair : nullptr,
                          utcNow());
    } else {
        out << report->reportText << '\n';
        if (repair && arguments_.suggest) {
            writeSuggestions(out, *repair, catalog);
        }
        if (repair && arguments_.relink) {
            out << '\n' << RelinkSummary::text(*repair, catalog);
            if (!repair->journalProblem.empty()) {
                out << fillText(
                    catalog.translate("CommandLine", "Couldn't use the relink journal %1 (%2): "
                                                     "nothing was relinked\n"),
                    {printable(journalFile(journalPath_)),
                     printable(RelinkSummary::reason(repair->journalProblem, catalog))});
            }
        } else if (repair) {
            // Without relinks, what the search couldn't read (the summary lists it otherwise).
            for (const std::string& path : repair->unreadable) {
                out << fillText(catalog.translate("CommandLine", "Couldn't read %1\n"),
                                {printable(path)});
            }
        }
        if (repair && repair->stopped) {
            out << (repair->searched
                        ? catalog.translate("CommandLine",
                                            "Stopped before the end of the relinks.\n")
                        : catalog.translate("CommandLine",
                                            "Stopped before the end of the search.\n"));
        }
    }
    if (report->stopped || (repair && repair->stopped)) {
        return CommandLine::interrupted;
    }
    const std::int64_t left =
        report->brokenCount - static_cast<std::int64_t>(repair ? repair->relinked.size() : 0);
    if (report->problemCount > 0 ||
        (repair && (!repair->failed.empty() || !repair->unreadable.empty() ||
                    !repair->journalProblem.empty() || RelinkSummary::sidecarFailed(*repair)))) {
        return 3;
    }
    return left > 0 ? 1 : 0;
}

int RepairCommand::undo(const Arguments& arguments, const std::string& journalPath,
                        const StopFlag& stop, std::ostream& out, std::ostream& err,
                        const TextCatalog& catalog) {
    const RelinkJournal journal(journalFile(journalPath));
    UndoResult result;
    if (!RelinkUndo::run(arguments.folder, journal, result, stop)) {
        err << catalog.translate("CommandLine", "Couldn't find that folder. Try again.\n");
        return 2;
    }
    if (!result.journalProblem.empty()) {
        out << fillText(catalog.translate("CommandLine",
                                          "Couldn't read the relink journal %1 (%2): "
                                          "nothing was restored\n"),
                        {printable(journal.filePath()),
                         printable(RelinkSummary::reason(result.journalProblem, catalog))});
        return 3;
    }
    out << catalog.translate("CommandLine", "Restored %n aliases.\n", nullptr,
                             result.restored.size());
    for (const std::string& path : result.restored) {
        out << printable(path) << '\n';
    }
    for (const std::string& path : result.changed) {
        out << fillText(
            catalog.translate("CommandLine", "Left as it is (changed since the relink): %1\n"),
            {printable(path)});
    }
    for (const std::string& path : result.failed) {
        out << fillText(catalog.translate("CommandLine", "Couldn't restore %1\n"),
                        {printable(path)});
    }
    if (result.stopped) {
        out << catalog.translate("CommandLine",
                                 "Stopped before the end of the undo; the rest is left for "
                                 "another one.\n");
        return CommandLine::interrupted;
    }
    if (result.unreadableLines > 0) {
        out << fillText(catalog.translate("CommandLine",
                                          "Couldn't read %n lines of the relink journal %1\n",
                                          nullptr, result.unreadableLines),
                        {printable(journal.filePath())});
    }
    if (!result.foldersWithRecords.empty()) {
        out << fillText(catalog.translate("CommandLine", "No relinks to undo in %1; the relink "
                                                         "journal has relinks to undo in:\n"),
                        {printable(arguments.folder)});
        for (std::size_t i = 0; i < result.foldersWithRecords.size(); ++i) {
            if (i == foldersNamed) {
                out << catalog.translate("CommandLine", "  and %n more\n", nullptr,
                                         result.foldersWithRecords.size() - i);
                break;
            }
            out << "  " << printable(result.foldersWithRecords[i]) << '\n';
        }
    }
    return result.failed.empty() && result.unreadableLines == 0 ? 0 : 3;
}

} // namespace korvex
